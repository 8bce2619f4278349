// FindProcessWindow and the window calls under it, against real Qt windows.
#include "app/shell_services.h"
#include "app/timed_message_box.h"
#include "app/window_search.h"
#include "platform/gbk.h"
#include "platform/system.h"
#include "tests/app/version_support.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDialog>
#include <QEvent>
#include <QTest>
#include <QWidget>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kesmora {
namespace {

using platform::WindowHandle;

QString Q(const char* utf8) {
    return ToQString(Gbk(utf8));
}

const std::uint32_t kSelf = platform::GetCurrentProcessId();

// Counts the events posted to it, to tell whether a search let queued events run.
class EventCounter : public QObject {
public:
    bool event(QEvent* e) override {
        if (e->type() != QEvent::User)
            return QObject::event(e);
        ++count;
        return true;
    }
    int count = 0;
};

class FindProcessWindowTest : public ::testing::Test {
protected:
    // Two visible windows without parent, one hidden, one visible with a parent.
    void SetUp() override {
        first.setWindowTitle(Q("甲窗口 main"));
        second.setWindowTitle(Q("乙窗口"));
        hidden.setWindowTitle(Q("丙窗口"));
        first.show();
        second.show();
        child.setWindowTitle(Q("丁窗口"));
        child.show();
        hidden.show();
        hidden.hide();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&second));
    }

    QWidget first;
    QDialog second;
    QWidget hidden;
    QDialog child{&first};
};

TEST_F(FindProcessWindowTest, FiltersPickTheirWindow) {
    struct Case {
        const char* name;
        std::optional<Text> titlePart, classPart;
        std::optional<bool> visibleOnly;
        QWidget* expected;
    };
    const std::vector<Case> cases = {
        {"title part", Gbk("乙"), std::nullopt, std::nullopt, &second},
        {"title part, case regarded", Text("MAIN"), std::nullopt, std::nullopt, nullptr},
        {"class part", std::nullopt, Text("QDialog"), std::nullopt, &second},
        {"both", Gbk("甲"), Text("QWidget"), std::nullopt, &first},
        {"both, not on one window", Gbk("甲"), Text("QDialog"), std::nullopt, nullptr},
        {"a window with a parent is never chosen", Gbk("丁"), std::nullopt, std::nullopt, nullptr},
        {"hidden passed over", Gbk("丙"), std::nullopt, std::nullopt, nullptr},
        {"hidden found when not visible only", Gbk("丙"), std::nullopt, false, &hidden},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const WindowHandle found =
            FindProcessWindow(kSelf, c.titlePart, c.classPart, std::nullopt, c.visibleOnly);
        EXPECT_EQ(found, WindowHandleOf(c.expected));
    }
}

TEST_F(FindProcessWindowTest, EmptyTitlePartSkipsUntitledWindows) {
    first.setWindowTitle(QString());
    second.setWindowTitle(QString());
    EXPECT_EQ(FindProcessWindow(kSelf, Text("")), 0u);
    EXPECT_NE(FindProcessWindow(kSelf), 0u);
}

TEST_F(FindProcessWindowTest, OtherProcessFindsNothing) {
    EXPECT_EQ(FindProcessWindow(kSelf + 1), 0u);
}

TEST_F(FindProcessWindowTest, TimeLimitZeroEndsAtOnceNegativeMeansAYear) {
    EXPECT_EQ(FindProcessWindow(kSelf, std::nullopt, std::nullopt, 0), 0u);
    EXPECT_NE(FindProcessWindow(kSelf, std::nullopt, std::nullopt, -1), 0u);
    EXPECT_NE(FindProcessWindow(kSelf, std::nullopt, std::nullopt, 1000), 0u);
}

TEST_F(FindProcessWindowTest, ActivatedWindowComesFirst) {
    for (QWidget* w : {static_cast<QWidget*>(&first), static_cast<QWidget*>(&second)}) {
        SCOPED_TRACE(w->windowTitle().toStdString());
        w->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(w));
        EXPECT_EQ(FindProcessWindow(kSelf), WindowHandleOf(w));
    }
}

TEST_F(FindProcessWindowTest, QueuedEventsRunAfterEachVisibleWindowExamined) {
    EventCounter counter;
    struct Case {
        const char* name;
        std::optional<Text> titlePart;
        bool hideAll;
        bool dispatched;
    };
    const std::vector<Case> cases = {
        {"no window matches: events run", Gbk("无此窗口"), false, true},
        {"only hidden windows: nothing runs", std::nullopt, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.hideAll) {
            first.hide();
            second.hide();
            child.hide();
        }
        counter.count = 0;
        QCoreApplication::postEvent(&counter, new QEvent(QEvent::User));
        EXPECT_EQ(FindProcessWindow(kSelf, c.titlePart), 0u);
        EXPECT_EQ(counter.count > 0, c.dispatched);
        QCoreApplication::sendPostedEvents(&counter);
    }
}

TEST_F(FindProcessWindowTest, TheWindowFoundFirstReturnsBeforeAnyDispatch) {
    EventCounter counter;
    second.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&second));
    QCoreApplication::postEvent(&counter, new QEvent(QEvent::User));
    EXPECT_EQ(FindProcessWindow(kSelf), WindowHandleOf(&second));
    EXPECT_EQ(counter.count, 0);
    QCoreApplication::sendPostedEvents(&counter);
}

TEST_F(FindProcessWindowTest, WindowClosedDuringTheSearchEndsThePass) {
    // The search dispatches after examining the active window; that window goes away
    // meanwhile, so there is no "next" after it.
    auto extra = std::make_unique<QWidget>();
    extra->setWindowTitle(Q("戊窗口"));
    extra->show();
    extra->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(extra.get()));
    QTimer::singleShot(0, [&extra] { extra.reset(); });
    EXPECT_EQ(FindProcessWindow(kSelf, Gbk("乙")), 0u);
    EXPECT_EQ(extra, nullptr);
}

TEST(WindowTextTest, TitleAndClassComeBackAsGbk) {
    QDialog dialog;
    dialog.setWindowTitle(Q("友情提醒 abc"));
    const WindowHandle h = WindowHandleOf(&dialog);
    EXPECT_EQ(GetWindowTitleText(h), Gbk("友情提醒 abc"));
    EXPECT_EQ(GetWindowClassText(h), Text("QDialog"));

    // A character GBK lacks (Thai ko kai) becomes "?".
    dialog.setWindowTitle(QString::fromUtf16(u"a\u0E01b"));
    EXPECT_EQ(GetWindowTitleText(h), Text("a?b"));
    dialog.setWindowTitle(QString());
    EXPECT_EQ(GetWindowTitleText(h), Text());
}

TEST(WindowTextTest, HandleOfAWindowThatIsGoneNamesNothing) {
    auto widget = std::make_unique<QWidget>();
    widget->setWindowTitle(QStringLiteral("gone"));
    widget->show();
    const WindowHandle h = WindowHandleOf(widget.get());
    ASSERT_TRUE(platform::IsWindowVisible(h));
    widget.reset();
    EXPECT_FALSE(platform::IsWindowVisible(h));
    EXPECT_EQ(platform::FindWindowExA(0, h, nullptr, nullptr), 0u);
    EXPECT_EQ(GetWindowTitleText(h), Text());
    EXPECT_EQ(GetWindowClassText(h), Text());
    std::uint32_t pid = 77;
    EXPECT_EQ(platform::GetWindowThreadProcessId(h, &pid), 0u);
    EXPECT_EQ(pid, 0u);
    // Handles are not reused.
    QWidget next;
    EXPECT_NE(WindowHandleOf(&next), h);
}

TEST(WindowTextTest, ClassNameIsCutToTheBuffer) {
    QDialog dialog;
    char buffer[4] = {'x', 'x', 'x', 'x'};
    EXPECT_EQ(platform::GetClassNameA(WindowHandleOf(&dialog), buffer, 4), 3);
    EXPECT_STREQ(buffer, "QDi");
    char16_t units[3] = {u'x', u'x', u'x'};
    dialog.setWindowTitle(QStringLiteral("abcdef"));
    EXPECT_EQ(platform::GetWindowTextLengthW(WindowHandleOf(&dialog)), 6);
    EXPECT_EQ(platform::GetWindowTextW(WindowHandleOf(&dialog), units, 3), 2);
    EXPECT_EQ(std::u16string(units), u"ab");
}

} // namespace
} // namespace kesmora
