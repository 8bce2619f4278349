// The registered top-level window services, shared by the stand-ins in this folder.
#pragma once

#include "platform/window_services.h"

namespace kesmora::platform {

TopLevelWindows& RegisteredTopLevelWindows();

} // namespace kesmora::platform
