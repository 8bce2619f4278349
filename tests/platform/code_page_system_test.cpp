// System stand-ins against the C library read directly.
#include "platform/system.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>
#include <sys/utsname.h>
#include <unistd.h>

namespace kesmora::platform {
namespace {

TEST(QueryOsRelease, MajorAndMinorOfTheKernelRelease) {
    utsname names{};
    ASSERT_EQ(uname(&names), 0);
    unsigned major = 0, minor = 0;
    const bool parses = std::sscanf(names.release, "%u.%u", &major, &minor) == 2;
    const OsRelease release = QueryOsRelease();
    EXPECT_EQ(release.ok, parses) << names.release;
    EXPECT_EQ(release.major, parses ? major : 0u) << names.release;
    EXPECT_EQ(release.minor, parses ? minor : 0u) << names.release;
}

std::uint32_t MonotonicMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(now.tv_sec) * 1000u +
                                      static_cast<std::uint64_t>(now.tv_nsec) / 1000000u);
}

TEST(GetTickCount, MillisecondsOfTheMonotonicClock) {
    const std::uint32_t before = MonotonicMs();
    const std::uint32_t tick = GetTickCount();
    const std::uint32_t after = MonotonicMs();
    // Unsigned differences stay right across the 2^32 wrap.
    EXPECT_LE(static_cast<std::uint32_t>(tick - before),
              static_cast<std::uint32_t>(after - before));
}

TEST(GetCurrentProcessId, IsThePid) {
    EXPECT_EQ(GetCurrentProcessId(), static_cast<std::uint32_t>(getpid()));
}

} // namespace
} // namespace kesmora::platform
