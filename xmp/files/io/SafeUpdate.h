#pragma once
// Replaces a file by a new version without ever leaving a broken one: the new bytes go to a
// fresh file beside the original (O_EXCL), are synced, take over the original's mode and
// owner, and are renamed over it; the directory is synced last. On any failure the original
// is untouched and the temporary file is removed.
#include <functional>
#include <string>

#include "io/ByteSource.h"
#include "io/OutputPlan.h"

namespace xmp {

enum class SafeUpdateStep { kCreated, kWritten, kSynced, kBeforeRename };

// Writes `plan` (whose copied ranges come from `original`) over the file at `path`.
// Throws XMPError (kXMPErr_FileIO / kXMPErr_FilePermission) and leaves `path` as it was.
void SafeUpdateFile(const std::string& path, const ByteSource& original, const OutputPlan& plan);

// Test seam: called at each step; a test throws from it to simulate a failure at that moment.
void SetSafeUpdateFaultHook(std::function<void(SafeUpdateStep)> hook);

}  // namespace xmp
