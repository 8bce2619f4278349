#include "platform/window_services.h"

#include "platform/window_registry.h"

namespace kesmora::platform {
namespace {

WindowServices& Registered() {
    static WindowServices services;
    return services;
}

} // namespace

void SetWindowServices(const WindowServices& services) {
    Registered() = services;
}

void ProcessPendingMessages() {
    if (Registered().processPendingMessages != nullptr)
        Registered().processPendingMessages();
}

bool GetInputState() {
    return Registered().inputPending != nullptr && Registered().inputPending();
}

TopLevelWindows& RegisteredTopLevelWindows() {
    static TopLevelWindows windows;
    return windows;
}

void SetTopLevelWindows(const TopLevelWindows& windows) {
    RegisteredTopLevelWindows() = windows;
}

} // namespace kesmora::platform
