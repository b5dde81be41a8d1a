#include "kvloom/pdf/PDFFailure.h"

#include <cstring>
#include <string>

#include "ThumbMetaLib/pdf/PDFDocumentHandle.h"
#include "kvfoundation/base/KVException.h"
#include "kvfoundation/data/Factories.h"
#include "kvfoundation/ncomm/NCException.h"
#include "kvloom/LoomErrors.h"

namespace kvloom {

void ThrowPDFFailure(const ThumbMetaLib::PagelError& error) {
    const std::string message = error.what();  // UTF-8: it may name the file
    throw kvfoundation::ncomm::NCException(
        kvfoundation::data::Literal(errors::kPDFError),
        kvfoundation::data::CreateStringFromUTF8(message.data(),
                                                 static_cast<int32_t>(message.size())));
}

void ThrowPDFNotReady() {
    throw kvfoundation::base::KVException(ThumbMetaLib::kPagelInitFailedMessage);
}

bool IsPDFNotReady(const std::exception& error) {
    return std::strcmp(error.what(), ThumbMetaLib::kPagelInitFailedMessage) == 0;
}

}  // namespace kvloom
