#include "platform/system.h"

#include <cstddef>
#include <ctime>
#include <string_view>
#include <sys/utsname.h>
#include <unistd.h>

namespace kesmora::platform {
namespace {

// Reads decimal digits at `i`; false when there are none or the number is too large.
bool ReadNumber(std::string_view s, std::size_t& i, unsigned& value) {
    const std::size_t begin = i;
    unsigned long long v = 0;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
        v = v * 10 + static_cast<unsigned>(s[i] - '0');
        if (v > 0xFFFFFFFFull)
            return false;
    }
    value = static_cast<unsigned>(v);
    return i > begin;
}

} // namespace

OsRelease QueryOsRelease() {
    OsRelease result;
    utsname names{};
    if (uname(&names) != 0)
        return result;
    // "6.1.0-18-amd64": major, a dot, minor; what follows the minor does not matter.
    const std::string_view release(names.release);
    std::size_t i = 0;
    unsigned major = 0, minor = 0;
    if (!ReadNumber(release, i, major) || i >= release.size() || release[i] != '.')
        return result;
    ++i;
    if (!ReadNumber(release, i, minor))
        return result;
    result.major = major;
    result.minor = minor;
    result.ok = true;
    return result;
}

std::uint32_t GetTickCount() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const std::uint64_t ms = static_cast<std::uint64_t>(now.tv_sec) * 1000u +
                             static_cast<std::uint64_t>(now.tv_nsec) / 1000000u;
    return static_cast<std::uint32_t>(ms); // wraps at 2^32 like the original counter
}

std::uint32_t GetCurrentProcessId() {
    return static_cast<std::uint32_t>(getpid());
}

} // namespace kesmora::platform
