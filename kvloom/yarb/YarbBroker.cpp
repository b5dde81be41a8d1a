#include "kvloom/yarb/YarbBroker.h"

namespace yarb {

namespace {

struct Broker {
    ErrorCallback onError;
};

}  // namespace

uint32_t Version() {
    return 0x10201;
}

Handle Start(ErrorCallback onError) {
    return new Broker{onError};
}

void Terminate(Handle handle) {
    delete static_cast<Broker*>(handle);
}

}  // namespace yarb
