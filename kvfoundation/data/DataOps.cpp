#include "kvfoundation/base/ClassName.h"
#include "kvfoundation/data/Data.h"
#include "kvfoundation/data/Factories.h"
#include "kvfoundation/util/Format.h"

namespace kvfoundation::data::data_ops {

namespace {

void AppendHex(IKVMutableString* text, const uint8_t* bytes, int32_t count) {
    static const char kDigits[] = "0123456789abcdef";
    char pair[2];
    for (int32_t i = 0; i < count; ++i) {
        pair[0] = kDigits[bytes[i] >> 4];
        pair[1] = kDigits[bytes[i] & 15];
        text->AppendASCII(pair, 2);
    }
}

}  // namespace

IKVString* Describe(const IKVData* data) {
    IKVMutableString* text = CreateMutableString(0);
    int32_t length = data->Length();
    util::AppendFormat(text, "<%@ %#p> { length = %u, bytes = 0x", base::ClassName(data), data,
                       static_cast<unsigned>(length));
    const uint8_t* bytes = data->Bytes();
    if (length >= 24) {
        AppendHex(text, bytes, 16);
        text->AppendASCII(" ... ", 5);
        AppendHex(text, bytes + length - 8, 8);
    } else {
        AppendHex(text, bytes, length);
    }
    text->AppendCharacter(u'}');
    return text;
}

IKVData* CopyBytes(const IKVData* data) {
    return Data::Create(data->Bytes(), data->Length());
}

}  // namespace kvfoundation::data::data_ops
