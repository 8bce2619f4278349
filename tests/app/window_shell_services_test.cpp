// The shell services: which addresses reach the desktop's opener, and what the two
// message pumps dispatch.
#include "app/shell_services.h"
#include "platform/gbk.h"
#include "platform/window_services.h"
#include "tests/app/window_support.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace kesmora {
namespace {

TEST(OpenInBrowser, HandsOnlyWebAddressesToTheOpener) {
    struct Case {
        const char* name;
        std::string address;
        bool opened;
    };
    const std::vector<Case> cases = {
        {"http", "http://127.0.0.1/page?a=1&b=2", true},
        {"https", "https://example.test/", true},
        {"scheme in upper case", "HTTPS://EXAMPLE.TEST/", true},
        {"mixed case", "hTtP://example.test", true},
        {"empty", "", false},
        {"local file", "file:///etc/passwd", false},
        {"plain path of a program", "/usr/bin/xcalc", false},
        {"relative program", "xterm", false},
        {"script scheme", "javascript:alert(1)", false},
        {"option lookalike", "--help", false},
        {"leading blank", " http://example.test/", false},
        {"scheme without slashes", "http:example.test", false},
        {"other scheme", "ftp://example.test/", false},
    };
    test::OpenerLog log;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        log.Clear();
        OpenInBrowser(Text(c.address.c_str()));
        // The opener runs detached; a dropped address is checked after a sure marker.
        OpenInBrowser("http://marker.test/");
        const std::vector<std::string> lines = log.WaitForLines(c.opened ? 2 : 1);
        std::vector<std::string> expected;
        if (c.opened)
            expected.push_back(c.address);
        expected.push_back("http://marker.test/");
        std::sort(expected.begin(), expected.end());
        std::vector<std::string> got = lines;
        std::sort(got.begin(), got.end());
        EXPECT_EQ(got, expected);
    }
}

TEST(OpenInBrowser, PassesGbkAddressesAsUtf8) {
    test::OpenerLog log;
    OpenInBrowser(Gbk("http://example.test/中文"));
    EXPECT_EQ(log.WaitForLines(1), std::vector<std::string>{"http://example.test/中文"});
}

// Counts what a widget gets delivered.
class Recorder : public QWidget {
public:
    int presses = 0, keys = 0, paints = 0, custom = 0;

protected:
    bool event(QEvent* e) override {
        switch (e->type()) {
        case QEvent::MouseButtonPress:
            ++presses;
            break;
        case QEvent::KeyPress:
            ++keys;
            break;
        case QEvent::UpdateRequest:
        case QEvent::Paint:
            ++paints;
            break;
        case QEvent::User:
            ++custom;
            break;
        default:
            break;
        }
        return QWidget::event(e);
    }
};

QMouseEvent* Press() {
    return new QMouseEvent(QEvent::MouseButtonPress, QPointF(1, 1), QPointF(1, 1), Qt::LeftButton,
                           Qt::LeftButton, Qt::NoModifier);
}

TEST(PumpIfInputPending, WithoutInputDispatchesNothing) {
    Recorder widget;
    widget.resize(20, 20);
    widget.show();
    test::Settle();
    widget.paints = 0;

    bool timerFired = false;
    QTimer::singleShot(0, [&] { timerFired = true; });
    QCoreApplication::postEvent(&widget, new QEvent(QEvent::User));
    widget.update();

    EXPECT_FALSE(InputPending());
    PumpIfInputPending();
    EXPECT_FALSE(timerFired);
    EXPECT_EQ(widget.custom, 0);
    EXPECT_EQ(widget.paints, 0);

    ProcessPendingMessages();
    EXPECT_TRUE(timerFired);
    EXPECT_EQ(widget.custom, 1);
}

TEST(PumpIfInputPending, WithQueuedInputDispatchesEverything) {
    struct Case {
        const char* name;
        std::function<QEvent*()> input;
    };
    const std::vector<Case> cases = {
        {"mouse press", [] { return Press(); }},
        {"key press", [] { return new QKeyEvent(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Recorder widget;
        bool timerFired = false;
        QTimer::singleShot(0, [&] { timerFired = true; });
        QCoreApplication::postEvent(&widget, new QEvent(QEvent::User));
        QCoreApplication::postEvent(&widget, c.input());

        PumpIfInputPending();
        EXPECT_EQ(widget.presses + widget.keys, 1);
        EXPECT_EQ(widget.custom, 1);
        EXPECT_TRUE(timerFired);
        EXPECT_FALSE(InputPending());
    }
}

TEST(ShellServices, AreRegisteredForTheLayersBelow) {
    Recorder widget;
    QCoreApplication::postEvent(&widget, Press());
    EXPECT_TRUE(platform::GetInputState());
    EXPECT_EQ(widget.presses, 1);
    EXPECT_FALSE(platform::GetInputState());

    QCoreApplication::postEvent(&widget, new QEvent(QEvent::User));
    platform::ProcessPendingMessages();
    EXPECT_EQ(widget.custom, 1);
}

TEST(ProcessPendingMessages, ReturnsAlthoughAnEventKeepsReposting) {
    int runs = 0;
    QTimer repeating;
    QObject::connect(&repeating, &QTimer::timeout, [&] { ++runs; });
    repeating.start(0);
    ProcessPendingMessages();
    repeating.stop();
    EXPECT_GT(runs, 0);
}

TEST(GbkQString, RoundTrips) {
    const std::vector<Text> cases = {"", "abc", Gbk("你是否确定关闭"), Gbk("信息：")};
    for (const Text& t : cases)
        EXPECT_EQ(ToGbk(ToQString(t)), t) << t.str();
    EXPECT_EQ(ToQString(Gbk("订制版无广告")), QString::fromUtf8("订制版无广告"));
}

} // namespace
} // namespace kesmora
