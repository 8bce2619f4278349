#include "platform/window_services.h"

namespace kesmora::platform {
namespace {

WindowServices& Registered() {
    static WindowServices services;
    return services;
}

} // namespace

void SetWindowServices(const WindowServices& services) { Registered() = services; }

void ProcessPendingMessages() {
    if (Registered().processPendingMessages != nullptr)
        Registered().processPendingMessages();
}

bool GetInputState() {
    return Registered().inputPending != nullptr && Registered().inputPending();
}

} // namespace kesmora::platform
