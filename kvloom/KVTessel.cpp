#include "kvloom/KVTessel.h"

namespace kvloom {

namespace {

class ServiceApplication final : public Tessel::CApplication {
public:
    ServiceApplication() : CApplication(nullptr) {}
};

}  // namespace

Tessel::CApplication* KVTessel::Application() {
    static ServiceApplication application;
    return &application;
}

}  // namespace kvloom
