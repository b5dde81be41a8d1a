#pragma once

#include "kvfoundation/base/IKVException.h"
#include "kvfoundation/base/KVRefCountT.h"
#include "kvfoundation/data/IKVString.h"

namespace kvfoundation::base {

// General failures; the base of every concrete exception. Holds a counted reference to its
// message, so the message outlives the pools it was built in.
class KVException : public IKVException {
public:
    explicit KVException(data::IKVString* message);
    // ASCII text, copied.
    explicit KVException(const char* message);
    KVException(const KVException& other) = default;
    KVException& operator=(const KVException&) = delete;
    ~KVException() override = default;

    data::IKVString* Message() const override;
    data::IKVString* Trace() const override { return nullptr; }
    void Log(int32_t level) const override;

private:
    KVRefCountT<data::IKVString> message_;
};

}  // namespace kvfoundation::base
