// The OS version word.
#include "app/services/services.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sys/utsname.h>

namespace kesmora {
namespace {

TEST(OsVersion, Packing) {
    struct Case {
        std::uint32_t major;
        std::uint32_t minor;
        int expected;
        bool belowWindows8;
    };
    const Case cases[] = {
        {6, 1, 0x0601, true},   {6, 2, 0x0602, false},       {10, 0, 0x0A00, false},
        {5, 255, 0x05FF, true}, {256, 3, 0x0003, true},      {0x1FF, 0x102, -0x00FE, true},
        {0, 0, 0, true},        {0x7F, 0xFF, 0x7FFF, false}, {0x80, 0, -0x8000, true},
    };
    for (const Case& c : cases) {
        const std::int16_t word = PackOsVersion(c.major, c.minor);
        EXPECT_EQ(word, c.expected) << c.major << "." << c.minor;
        EXPECT_EQ(word < 0x0602, c.belowWindows8) << c.major << "." << c.minor;
    }
}

TEST(OsVersion, ProbeReadsTheKernelReleaseAndInitPacksIt) {
    utsname names{};
    ASSERT_EQ(uname(&names), 0);
    unsigned major = 0, minor = 0;
    ASSERT_EQ(std::sscanf(names.release, "%u.%u", &major, &minor), 2) << names.release;

    const OsVersionInfo info = ProbeOsVersion();
    EXPECT_TRUE(info.succeeded);
    EXPECT_EQ(info.major, major);
    EXPECT_EQ(info.minor, minor);

    EXPECT_EQ(OsVersion, 0) << "0 until start-up sets it";
    InitOsVersion();
    EXPECT_EQ(OsVersion, PackOsVersion(major, minor));
}

} // namespace
} // namespace kesmora
