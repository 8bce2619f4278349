// Window services that code below the application calls without depending on a window
// toolkit: the application registers its implementation at start; until then (and in
// headless programs) every call does nothing and reports nothing.
#pragma once

#include "common/text.h"

namespace kesmora::platform {

struct WindowServices {
    // Takes and dispatches every queued message; a quit request stays queued.
    void (*processPendingMessages)() = nullptr;
    // True when mouse or keyboard input is waiting for the window thread.
    bool (*inputPending)() = nullptr;
};

void SetWindowServices(const WindowServices& services);

// Stand-ins for the calls the routines make.
void ProcessPendingMessages();
bool GetInputState();

} // namespace kesmora::platform
