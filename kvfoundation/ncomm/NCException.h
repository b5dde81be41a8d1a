#pragma once

#include "kvfoundation/base/KVException.h"

namespace kvfoundation::ncomm {

// A service error with a reason code ("kLoomIO_BadRequest") that reaches the client as
// "errReason"; the message becomes "errWhy".
class NCException : public base::KVException {
public:
    NCException(data::IKVString* reason, data::IKVString* message);
    // ASCII reason and message, copied.
    NCException(const char* reason, const char* message);
    NCException(const NCException& other) = default;
    ~NCException() override = default;

    data::IKVString* Reason() const { return reason_.get(); }

private:
    base::KVRefCountT<data::IKVString> reason_;
};

}  // namespace kvfoundation::ncomm
