#include "kvfoundation/base/ThreadRecord.h"

namespace kvfoundation::base {

ThreadRecord& ThreadRecord::Current() {
    thread_local ThreadRecord record;
    return record;
}

}  // namespace kvfoundation::base
