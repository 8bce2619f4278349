// The version check end to end in the process: the published text from a loopback
// server, the comparison with the edit box, and the box that tells the user.
#include "app/shell_services.h"
#include "app/version_check.h"
#include "app/window_search.h"
#include "platform/gbk.h"
#include "tests/app/version_support.h"
#include "tests/support/free_port.h"
#include "tests/support/loopback_server.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace kesmora {
namespace {

using test::BoxWatcher;
using test::LoopbackServer;
using test::Reply;

QString Q(const char* utf8) {
    return ToQString(Gbk(utf8));
}
QString Newer() {
    return Q("有新版本请到官方下载覆盖安装即可");
}
QString Latest() {
    return Q("当前为最新版本");
}

std::string Address(const LoopbackServer& server) {
    return server.Url("/bb/1.txt");
}

class CheckVersionTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server.ok());
        main.setWindowTitle(QStringLiteral("main"));
        main.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
        versionBox = new QLineEdit(&main);
        versionBox->setText(QStringLiteral("1.0"));
        versionBox->hide();
    }

    LoopbackServer server;
    QWidget main;
    QLineEdit* versionBox = nullptr;
};

TEST(VersionMessageTest, ComparesBytesNotNumbers) {
    struct Case {
        const char* local;
        const char* published;
        bool newer;
    };
    const std::vector<Case> cases = {
        {"1.0", "1.1", true},     {"1.0", "1.0", false},     {"1.0", "0.9", false},
        {"1.0", "10.0", true},    {"1.0", "9.0", true},      {"9.0", "10.0", false},
        {"1.0", "1.0\r\n", true}, {"1.0", "", false},        {"", "", false},
        {"1.0", "1 1", false},    {"1.0", "\xB0\xE6", true}, // a GBK character: bytes above 0x7F
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.local) + " / " + c.published);
        EXPECT_EQ(VersionMessage(c.local, c.published),
                  c.newer ? Gbk("有新版本请到官方下载覆盖安装即可") : Gbk("当前为最新版本"));
    }
}

TEST_F(CheckVersionTest, PublishedTextDecidesTheMessage) {
    struct Case {
        const char* name;
        const char* local;
        std::string body;
        bool unreachable;
        bool newer;
    };
    const std::vector<Case> cases = {
        {"1.1", "1.0", "1.1", false, true},
        {"1.0", "1.0", "1.0", false, false},
        {"0.9", "1.0", "0.9", false, false},
        {"10.0 is not numeric", "1.0", "10.0", false, true},
        {"10.0 against a local 9.0", "9.0", "10.0", false, false},
        {"percent-encoded 1%2E1", "1.0", "1%2E1", false, true},
        {"1.0 with a line break", "1.0", "1.0\r\n", false, true},
        {"1+1 is 1 space 1", "1.0", "1+1", false, false},
        {"UTF-8 text", "1.0", "%E7%89%88", false, true},
        {"unreachable host", "1.0", "", true, false},
    };
    const int closedPort = test::FreeLoopbackPort();
    ASSERT_NE(closedPort, 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        versionBox->setText(QString::fromLatin1(c.local));
        if (!c.unreachable)
            server.Enqueue(Reply::Ok(c.body, {"Content-Type: text/plain"}));
        const std::string address =
            c.unreachable ? "http://127.0.0.1:" + std::to_string(closedPort) + "/bb/1.txt"
                          : Address(server);
        BoxWatcher watcher;
        CheckVersionAt(Text(address.c_str()), versionBox);
        ASSERT_EQ(watcher.seen.size(), 1u);
        const test::SeenBox& box = watcher.seen[0];
        EXPECT_EQ(box.text.toStdString(), (c.newer ? Newer() : Latest()).toStdString());
        EXPECT_EQ(box.caption.toStdString(), Q("友情提醒").toStdString());
        EXPECT_EQ(box.buttons, QStringList{Q("确定")});
        EXPECT_EQ(box.owner, &main);
    }
    const std::vector<test::RecordedRequest> seen = server.Requests();
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen[0].method, "GET");
    EXPECT_EQ(seen[0].target, "/bb/1.txt");
}

TEST_F(CheckVersionTest, SecondCheckDuringASlowOneRunsNestedInIt) {
    // The first answer trickles in; the second check is queued like a second click and
    // runs when the first fetch lets queued events run.
    server.Enqueue(Reply::Drip("HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\n1.1",
                               std::chrono::milliseconds(10)));
    server.Enqueue(Reply::Ok("0.9"));
    const Text address(Address(server).c_str());
    int nested = 0;
    QTimer::singleShot(0, [&] {
        ++nested;
        CheckVersionAt(address, versionBox);
    });
    BoxWatcher watcher;
    CheckVersionAt(address, versionBox);
    EXPECT_EQ(nested, 1);
    ASSERT_EQ(watcher.seen.size(), 2u);
    // The nested check ends first.
    EXPECT_EQ(watcher.seen[0].text.toStdString(), Latest().toStdString());
    EXPECT_EQ(watcher.seen[1].text.toStdString(), Newer().toStdString());
    EXPECT_EQ(server.Requests().size(), 2u);
}

TEST_F(CheckVersionTest, EditBoxGoneDuringTheFetchShowsNothing) {
    server.Enqueue(Reply::Ok("1.1"));
    QTimer::singleShot(0, [this] {
        delete versionBox;
        versionBox = nullptr;
    });
    BoxWatcher watcher;
    CheckVersionAt(Text(Address(server).c_str()), versionBox);
    EXPECT_EQ(versionBox, nullptr); // the fetch did let the deletion run
    EXPECT_TRUE(watcher.seen.empty());
}

} // namespace
} // namespace kesmora
