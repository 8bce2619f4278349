// System services: the OS version, the tick count and the process id.
#pragma once

#include <cstdint>

namespace kesmora::platform {

struct OsRelease {
    unsigned major = 0;
    unsigned minor = 0;
    bool ok = false; // false when the system query failed
};

// Major and minor version of the running kernel (uname's release, "6.1.0-..." gives
// 6 and 1).
OsRelease QueryOsRelease();

// Milliseconds since an arbitrary start, wrapping at 2^32 like GetTickCount.
std::uint32_t GetTickCount();
std::uint32_t GetCurrentProcessId();

} // namespace kesmora::platform
