#pragma once

#include "kvfoundation/data/IKVString.h"

namespace kvloom {

// The file a request names must be a regular file the service may read (and, with
// `forUpdate`, write). Otherwise the system error of the failing check is thrown, naming the
// path: KVFileNotFound, KVAccessDenied, or KVSysError for a directory or another kind of file.
void CheckRequestFile(kvfoundation::data::IKVString* path, bool forUpdate);

}  // namespace kvloom
