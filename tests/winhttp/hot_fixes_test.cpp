// The installed-update query over the package database: a small database written by
// the test, and the machine's own.
#include "winhttp/winhttp.h"

#include "platform/automation.h"
#include "tests/support/temp_dir.h"

#include "tests/support/text_printer.h"

#include <gtest/gtest.h>

#include <fstream>
#include <thread>

namespace kesmora {
namespace {

// Four packages, two of them installed ("hold" is installed too); a paragraph may end
// in CRLF and carry continuation lines.
const char kDatabase[] = "Package: alpha\n"
                         "Status: install ok installed\n"
                         "Description: first\n"
                         " continued: Package: fake\n"
                         "\n"
                         "Package: removed\n"
                         "Status: deinstall ok config-files\n"
                         "\n"
                         "Package: half\n"
                         "Status: install reinstreq half-installed\n"
                         "\n"
                         "Status: hold ok installed\r\n"
                         "Package: beta-2.0\r\n";

class HotFixesTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::CoInitialize();
        database_ = dir_.File("status");
        ASSERT_TRUE(test::WriteFile(database_, kDatabase));
        platform::SetPackageDatabasePath(database_);
    }
    void TearDown() override {
        platform::SetPackageDatabasePath("");
        platform::CoUninitialize();
    }
    test::TempDir dir_;
    std::string database_;
};

TEST_F(HotFixesTest, ListsInstalledPackagesAndFiltersByExactId) {
    struct Case {
        const char* name;
        std::optional<Text> id;
        TextArray expected;
    };
    const Case cases[] = {
        {"all, in database order", std::nullopt, {"alpha", "beta-2.0"}},
        {"present id", Text("beta-2.0"), {"beta-2.0"}},
        {"absent id", Text("KB3140245"), {}},
        {"not installed", Text("removed"), {}},
        {"case regarded", Text("ALPHA"), {}},
        {"quote makes the query fail", Text("alpha' OR HotFixID = 'beta-2.0"), {}},
        {"lone quote", Text("'"), {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TextArray ids = {"left over"};
        EXPECT_EQ(QueryHotFixes(&ids, c.id), static_cast<int>(c.expected.size()));
        EXPECT_EQ(ids, c.expected);
    }
}

TEST_F(HotFixesTest, FailsWithoutComOrDatabase) {
    int count = -1;
    TextArray ids = {"left over"};
    std::thread([&] { count = QueryHotFixes(&ids); }).join();
    EXPECT_EQ(count, 0) << "no COM on that thread";
    EXPECT_TRUE(ids.empty());

    platform::SetPackageDatabasePath(dir_.File("missing"));
    EXPECT_EQ(QueryHotFixes(nullptr), 0);
}

TEST_F(HotFixesTest, OversizedDatabaseIsRefusedWhole) {
    {
        std::ofstream out(database_, std::ios::binary | std::ios::app);
        const std::string filler(1 << 20, '#');
        for (std::size_t i = 0; i <= platform::kMaxPackageDatabaseBytes >> 20; ++i)
            out << filler;
    }
    TextArray ids;
    EXPECT_EQ(QueryHotFixes(&ids), 0);
}

TEST(HotFixesOnThisSystem, PackageManagerItselfIsInstalled) {
    std::ifstream probe("/var/lib/dpkg/status");
    if (!probe)
        GTEST_SKIP() << "no package database on this system";
    platform::CoInitialize();
    TextArray all;
    TextArray one;
    const int total = QueryHotFixes(&all);
    EXPECT_EQ(QueryHotFixes(&one, Text("dpkg")), 1);
    EXPECT_EQ(one, TextArray{"dpkg"});
    EXPECT_GT(total, 1);
    EXPECT_NE(std::find(all.begin(), all.end(), Text("dpkg")), all.end());
    platform::CoUninitialize();
}

} // namespace
} // namespace kesmora
