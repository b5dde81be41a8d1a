#pragma once

#include <cstddef>
#include <cstdint>
#include <typeinfo>

#include "kvfoundation/base/KVObjectT.h"
#include "kvfoundation/base/KVRefCountT.h"
#include "kvfoundation/io/IKVBufferedReader.h"
#include "kvfoundation/io/IKVBufferedWriter.h"
#include "kvfoundation/io/IKVSerializer.h"
#include "kvfoundation/util/IKVEncoding.h"

namespace kvfoundation::data {
class IKVData;
class IKVList;
class IKVMap;
class IKVNumber;
class IKVString;
}  // namespace kvfoundation::data

namespace kvfoundation::io {

// The wire format (WireFormat.h) over a buffered reader and writer. Every fixed-size header
// goes to the writer as one write of 4, 8 or 12 bytes and every string or data body as one
// write (its padding, for data, as a second).
//
// Reading is safe against hostile input: buffers grow only as bytes arrive (never more than
// about twice what has arrived plus 1 MiB), and values nested deeper than kMaxDepth fail
// with KVIllegalArgument instead of exhausting the stack. Writing has the same depth limit,
// which also stops a container that holds itself.
class Serializer final : public base::KVObjectT<IKVSerializer> {
public:
    static constexpr int kMaxDepth = 512;
    static constexpr int32_t kScratchSize = 512;

    // Autoreleased; a null reader or writer raises KVNullPtr.
    static IKVSerializer* Create(IKVBufferedReader* reader, IKVBufferedWriter* writer);

    IKVSerializer* Serialize(const base::IKVType* value) override;
    base::IKVType* Deserialize() override;
    void Flush() override;

private:
    Serializer(IKVBufferedReader* reader, IKVBufferedWriter* writer);
    ~Serializer() override = default;

    // The value kinds, in the order in which a value is asked for them.
    enum class Kind : uint8_t { kString, kData, kNumber, kBool, kList, kMap, kNull, kNone };
    // Where a kind's interface sits inside an object, relative to its IKVType.
    struct KindOfType {
        const std::type_info* type = nullptr;
        Kind kind = Kind::kNone;
        ptrdiff_t offset = 0;
    };
    static constexpr int kKindCacheSize = 8;

    // The kind of a value, from a small cache keyed by its dynamic type (asking each
    // interface with dynamic_cast costs more than writing most values). Returns the
    // interface pointer through `object`.
    Kind KindOf(const base::IKVType* value, const void** object);

    void WriteValue(const base::IKVType* value, int depth);
    void WriteString(const data::IKVString* string);
    void WriteData(const data::IKVData* data);
    void WriteNumber(const data::IKVNumber* number);
    void WriteList(const data::IKVList* list, int depth);
    void WriteMap(const data::IKVMap* map, int depth);

    // Every read value is autoreleased into the caller's pool; containers retain theirs.
    base::IKVType* ReadValue(int depth);
    base::IKVType* ReadString();
    base::IKVType* ReadData();
    base::IKVType* ReadList(int depth);
    base::IKVType* ReadMap(int depth);
    uint32_t ReadU32();

    base::KVRefCountT<IKVBufferedReader> reader_;
    base::KVRefCountT<IKVBufferedWriter> writer_;
    base::KVRefCountT<util::IKVEncoding> encoding_;
    KindOfType kindCache_[kKindCacheSize];
    int kindCacheNext_ = 0;
};

}  // namespace kvfoundation::io
