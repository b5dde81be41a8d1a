#include "kvfoundation/io/Serializer.h"

#include <algorithm>
#include <memory>

#include "kvfoundation/base/KVIllegalArgument.h"
#include "kvfoundation/base/KVNullPtr.h"
#include "kvfoundation/data/Factories.h"
#include "kvfoundation/data/IKVEntryIterator.h"
#include "kvfoundation/io/WireFormat.h"
#include "kvfoundation/util/Format.h"
#include "kvfoundation/util/UTF8.h"

namespace kvfoundation::io {
namespace {

using base::IKVType;

// The largest buffer a length from the wire may reserve before its bytes have arrived.
constexpr int32_t kFirstChunk = 1 << 20;
// Maps are pre-sized for at most this many entries; larger ones grow as entries arrive.
constexpr int32_t kLargestMapPresize = 4096;

[[noreturn]] void FailTooDeep() {
    throw base::KVIllegalArgument(
        util::Format("Values nested deeper than %d levels", Serializer::kMaxDepth));
}

}  // namespace

IKVSerializer* Serializer::Create(IKVBufferedReader* reader, IKVBufferedWriter* writer) {
    if (reader == nullptr) {
        throw base::KVNullPtr("reader");
    }
    if (writer == nullptr) {
        throw base::KVNullPtr("writer");
    }
    return base::AutoReleased(new Serializer(reader, writer));
}

Serializer::Serializer(IKVBufferedReader* reader, IKVBufferedWriter* writer)
    : reader_(reader), writer_(writer), encoding_(util::UTF8::Instance()) {}

IKVSerializer* Serializer::Serialize(const IKVType* value) {
    WriteValue(value, 1);
    return this;
}

IKVType* Serializer::Deserialize() {
    return ReadValue(1);
}

void Serializer::Flush() {
    writer_->Flush();
}

// ---- writing ----

Serializer::Kind Serializer::KindOf(const IKVType* value, const void** object) {
    const std::type_info* type = &typeid(*value);
    const auto* base = reinterpret_cast<const char*>(value);
    for (const KindOfType& entry : kindCache_) {
        if (entry.type == type) {
            *object = base + entry.offset;
            return entry.kind;
        }
    }
    // The first kind the value implements decides, in this order.
    Kind kind = Kind::kNone;
    const void* found = nullptr;
    if ((found = dynamic_cast<const data::IKVString*>(value)) != nullptr) {
        kind = Kind::kString;
    } else if ((found = dynamic_cast<const data::IKVData*>(value)) != nullptr) {
        kind = Kind::kData;
    } else if ((found = dynamic_cast<const data::IKVNumber*>(value)) != nullptr) {
        kind = Kind::kNumber;
    } else if ((found = dynamic_cast<const data::IKVBool*>(value)) != nullptr) {
        kind = Kind::kBool;
    } else if ((found = dynamic_cast<const data::IKVList*>(value)) != nullptr) {
        kind = Kind::kList;
    } else if ((found = dynamic_cast<const data::IKVMap*>(value)) != nullptr) {
        kind = Kind::kMap;
    } else if ((found = dynamic_cast<const data::IKVNull*>(value)) != nullptr) {
        kind = Kind::kNull;
    }
    const ptrdiff_t offset = found != nullptr ? reinterpret_cast<const char*>(found) - base : 0;
    kindCache_[kindCacheNext_] = {type, kind, offset};
    kindCacheNext_ = (kindCacheNext_ + 1) % kKindCacheSize;
    *object = found;
    return kind;
}

void Serializer::WriteValue(const IKVType* value, int depth) {
    if (value == nullptr) {
        throw base::KVNullPtr("value");
    }
    if (depth > kMaxDepth) {
        FailTooDeep();
    }
    const void* object = nullptr;
    switch (KindOf(value, &object)) {
        case Kind::kString:
            WriteString(static_cast<const data::IKVString*>(object));
            return;
        case Kind::kData:
            WriteData(static_cast<const data::IKVData*>(object));
            return;
        case Kind::kNumber:
            WriteNumber(static_cast<const data::IKVNumber*>(object));
            return;
        case Kind::kBool: {
            uint8_t block[8];
            wire::PutU32(block, wire::kBool);
            wire::PutU32(block + 4, static_cast<const data::IKVBool*>(object)->BoolValue());
            writer_->Write(block, sizeof block);
            return;
        }
        case Kind::kList:
            WriteList(static_cast<const data::IKVList*>(object), depth);
            return;
        case Kind::kMap:
            WriteMap(static_cast<const data::IKVMap*>(object), depth);
            return;
        case Kind::kNull: {
            uint8_t block[4];
            wire::PutU32(block, wire::kNull);
            writer_->Write(block, sizeof block);
            return;
        }
        case Kind::kNone:
            break;
    }
    throw base::KVIllegalArgument(util::Format("KVSerialize unknown Type: %@", value));
}

void Serializer::WriteString(const data::IKVString* string) {
    const int32_t units = string->Length();
    const char16_t* characters = string->Characters();
    uint8_t stackScratch[kScratchSize];
    std::unique_ptr<uint8_t[]> heapScratch;
    uint8_t* scratch = stackScratch;
    int32_t length = 0;
    const int32_t consumed =
        encoding_->Encode(characters, units, 0, scratch, kScratchSize - 3, &length);
    if (consumed < units) {
        // Measure, then grow the scratch by doubling until the padded text fits.
        int32_t needed = 0;
        encoding_->Encode(characters, units, 0, nullptr, 0, &needed);
        const int64_t padded = wire::PaddedLength(needed);
        int64_t size = kScratchSize;
        while (size < padded) {
            size *= 2;
        }
        heapScratch = std::make_unique<uint8_t[]>(static_cast<size_t>(size));
        scratch = heapScratch.get();
        encoding_->Encode(characters, units, 0, scratch, static_cast<int32_t>(size), &length);
    }
    const auto padded = static_cast<int32_t>(wire::PaddedLength(length));
    std::fill(scratch + length, scratch + padded, uint8_t{0});
    uint8_t header[8];
    wire::PutU32(header, wire::kString);
    wire::PutU32(header + 4, static_cast<uint32_t>(length));
    writer_->Write(header, sizeof header);
    writer_->Write(scratch, padded);
}

void Serializer::WriteData(const data::IKVData* data) {
    const int32_t length = data->Length();
    uint8_t header[8];
    wire::PutU32(header, wire::kData);
    wire::PutU32(header + 4, static_cast<uint32_t>(length));
    writer_->Write(header, sizeof header);
    writer_->Write(data->Bytes(), length);
    static constexpr uint8_t kZeros[3] = {};
    writer_->Write(kZeros, static_cast<int32_t>(wire::PaddedLength(length) - length));
}

void Serializer::WriteNumber(const data::IKVNumber* number) {
    uint8_t block[12];
    if (number->IsFloat()) {
        wire::PutU32(block, wire::kDouble);
        wire::PutU64(block + 4, wire::PackBinary64(number->DoubleValue()));
        writer_->Write(block, 12);
        return;
    }
    const int64_t value = number->Int64Value();
    if (value < INT32_MIN || value > INT32_MAX) {
        wire::PutU32(block, wire::kInt64);
        wire::PutU64(block + 4, static_cast<uint64_t>(value));
        writer_->Write(block, 12);
    } else {
        wire::PutU32(block, wire::kInt32);
        wire::PutU32(block + 4, static_cast<uint32_t>(value));
        writer_->Write(block, 8);
    }
}

void Serializer::WriteList(const data::IKVList* list, int depth) {
    const int32_t count = list->Count();
    uint8_t header[8];
    wire::PutU32(header, wire::kList);
    wire::PutU32(header + 4, static_cast<uint32_t>(count));
    writer_->Write(header, sizeof header);
    for (int32_t i = 0; i < count; ++i) {
        WriteValue(list->ObjectAt(i), depth + 1);
    }
}

void Serializer::WriteMap(const data::IKVMap* map, int depth) {
    uint8_t header[8];
    wire::PutU32(header, wire::kMap);
    wire::PutU32(header + 4, static_cast<uint32_t>(map->Count()));
    writer_->Write(header, sizeof header);
    data::IKVEntryIterator* entries = map->EntryIterator();
    while (entries->HasNext()) {
        entries->Next();
        WriteValue(entries->Key(), depth + 1);
        WriteValue(entries->Value(), depth + 1);
    }
}

// ---- reading ----

uint32_t Serializer::ReadU32() {
    uint8_t word[4];
    reader_->ReadFully(word, 4);
    return wire::GetU32(word);
}

IKVType* Serializer::ReadValue(int depth) {
    if (depth > kMaxDepth) {
        FailTooDeep();
    }
    const uint32_t typeId = ReadU32();
    switch (typeId) {
        case wire::kNull:
            return data::Null();
        case wire::kInt32:
            return data::CreateInt32(static_cast<int32_t>(ReadU32()));
        case wire::kInt64: {
            uint8_t body[8];
            reader_->ReadFully(body, 8);
            return data::CreateInt64(static_cast<int64_t>(wire::GetU64(body)));
        }
        case wire::kBool:
            return data::CreateBool(ReadU32() != 0);
        case wire::kDouble: {
            uint8_t body[8];
            reader_->ReadFully(body, 8);
            const uint64_t bits = wire::GetU64(body);
            return bits == 0 ? data::CreateInt32(0)
                             : data::CreateDouble(wire::UnpackBinary64(bits));
        }
        case wire::kString:
            return ReadString();
        case wire::kData:
            return ReadData();
        case wire::kList:
            return ReadList(depth);
        case wire::kMap:
            return ReadMap(depth);
        default:
            throw base::KVException(util::Format(
                "%s: Unknown type id: %d", "kvfoundation::io::Serializer::InternalDeserialize",
                static_cast<int32_t>(typeId)));
    }
}

IKVType* Serializer::ReadString() {
    const auto length = static_cast<int32_t>(ReadU32());
    if (length < 0) {
        throw base::KVIllegalArgument("length < 0");
    }
    const int64_t padded = wire::PaddedLength(length);
    uint8_t stackScratch[kScratchSize];
    if (padded <= kScratchSize) {
        reader_->ReadFully(stackScratch, static_cast<int32_t>(padded));
        return data::CreateStringFromUTF8(reinterpret_cast<const char*>(stackScratch), length);
    }
    // The scratch doubles from 512 bytes towards the padded length, but only once the bytes
    // before have arrived, so a length on the wire never reserves memory by itself.
    std::unique_ptr<uint8_t[]> scratch;
    int64_t capacity = kScratchSize;
    int64_t arrived = kScratchSize;
    reader_->ReadFully(stackScratch, kScratchSize);
    uint8_t* bytes = stackScratch;
    while (arrived < padded) {
        const int64_t grown = std::min(capacity * 2, padded);
        auto larger = std::make_unique<uint8_t[]>(static_cast<size_t>(grown));
        std::copy(bytes, bytes + arrived, larger.get());
        scratch = std::move(larger);
        bytes = scratch.get();
        capacity = grown;
        reader_->ReadFully(bytes + arrived, static_cast<int32_t>(capacity - arrived));
        arrived = capacity;
    }
    return data::CreateStringFromUTF8(reinterpret_cast<const char*>(bytes), length);
}

IKVType* Serializer::ReadData() {
    const auto length = static_cast<int32_t>(ReadU32());
    if (length < 0) {
        // What the data factory and SetLength report for the capacity L + 3 rounded down.
        const bool capacityNegative = length < -3;
        throw base::KVIllegalArgument(capacityNegative ? "length < 0" : "newLength < 0");
    }
    const int64_t padded = wire::PaddedLength(length);
    data::IKVMutableData* data =
        data::CreateMutableData(static_cast<int32_t>(std::min<int64_t>(padded, kFirstChunk)));
    // Grow by doubling as the bytes arrive, never far ahead of them.
    int32_t arrived = 0;
    while (arrived < length) {
        const int32_t chunk = std::min(length - arrived, std::max(arrived, kFirstChunk));
        data->SetLength(arrived + chunk);
        reader_->ReadFully(data->MutableBytes() + arrived, chunk);
        arrived += chunk;
    }
    uint8_t padding[3];
    reader_->ReadFully(padding, static_cast<int32_t>(padded - length));
    return data;
}

IKVType* Serializer::ReadList(int depth) {
    const auto count = static_cast<int32_t>(ReadU32());
    data::IKVMutableList* list = data::CreateMutableList(count);
    for (int32_t i = 0; i < count; ++i) {
        list->AddObject(ReadValue(depth + 1));
    }
    return list;
}

IKVType* Serializer::ReadMap(int depth) {
    const auto count = static_cast<int32_t>(ReadU32());
    data::IKVMutableMap* map = data::CreateMutableMap(std::min(count, kLargestMapPresize));
    for (int32_t i = 0; i < count; ++i) {
        IKVType* key = ReadValue(depth + 1);
        IKVType* value = ReadValue(depth + 1);
        map->AddIfAbsent(key, value);  // of two equal keys the first wins
    }
    return map;
}

}  // namespace kvfoundation::io
