#pragma once

#include "kvloom/tessel/CApplication.h"

namespace kvloom {

class KVTessel {
public:
    // The process's one application object, made on the first call.
    static Tessel::CApplication* Application();
};

}  // namespace kvloom
