#pragma once

#include <string>

#include "kvfoundation/data/IKVString.h"

namespace kvloom {

// The path the engine reads for a request. When the request's extension differs from the
// file's, the engine must see a name with that extension (it chooses its handler by the
// name), so a hard link path + "." + extension is made beside the file for the request and
// removed when the last request using it ends.
//
// Departs on purpose from the plain link-and-delete: a file that already exists under the
// link's name is never replaced or deleted. If it is the request's file itself (a link made by
// another process, or an earlier one left behind) it is read and left in place; any other file
// fails the request with kLoomIO_NoThumb. Concurrent requests for one link share it through a
// process-wide count, so that one request never removes a link another is still reading.
class ReadPathHolder {
public:
    // `extension` must not hold '/' or ".." (kLoomIO_BadRequest); an empty one needs no link.
    ReadPathHolder(kvfoundation::data::IKVString* path, kvfoundation::data::IKVString* extension);
    ~ReadPathHolder();
    ReadPathHolder(const ReadPathHolder&) = delete;
    ReadPathHolder& operator=(const ReadPathHolder&) = delete;

    const std::string& ReadPath() const { return readPath_; }
    // Whether this request holds a share of a link it (or a concurrent request) made.
    bool HoldsLink() const { return holdsLink_; }

    // Rejects an extension that could name a file outside the file's folder.
    static void CheckExtension(kvfoundation::data::IKVString* extension);

private:
    std::string readPath_;
    bool holdsLink_ = false;
};

}  // namespace kvloom
