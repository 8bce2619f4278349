// TimedMessageBox: buttons and their numbering, Esc and the close button, the time
// limit, the default caption and the owner it finds.
#include "app/shell_services.h"
#include "app/timed_message_box.h"
#include "app/window_search.h"
#include "platform/gbk.h"
#include "tests/app/version_support.h"

#include <gtest/gtest.h>

#include <QDialog>
#include <QTest>
#include <QWidget>

#include <optional>
#include <string>
#include <vector>

namespace kesmora {
namespace {

using test::BoxWatcher;

QString Q(const char* utf8) {
    return ToQString(Gbk(utf8));
}

constexpr int kShortMs = 300;
constexpr platform::WindowHandle kNoOwner = 0;

struct ButtonCase {
    unsigned style;
    std::vector<const char*> labels; // every button the style shows
    const char* pressed;
    int expected;
};

TEST(TimedMessageBoxTest, EachButtonGivesItsNumber) {
    const std::vector<ButtonCase> cases = {
        {0, {"确定"}, "确定", 0},
        {1, {"确定", "取消"}, "确定", 0},
        {1, {"确定", "取消"}, "取消", 1},
        {2, {"中止(&A)", "重试(&R)", "忽略(&I)"}, "中止(&A)", 2},
        {2, {"中止(&A)", "重试(&R)", "忽略(&I)"}, "重试(&R)", 3},
        {2, {"中止(&A)", "重试(&R)", "忽略(&I)"}, "忽略(&I)", 4},
        {3, {"是(&Y)", "否(&N)", "取消"}, "是(&Y)", 5},
        {3, {"是(&Y)", "否(&N)", "取消"}, "否(&N)", 6},
        {3, {"是(&Y)", "否(&N)", "取消"}, "取消", 1},
        {4, {"是(&Y)", "否(&N)"}, "否(&N)", 6},
        {5, {"重试(&R)", "取消"}, "重试(&R)", 3},
        {6, {"取消", "重试(&T)", "继续(&C)"}, "重试(&T)", 9},
        {6, {"取消", "重试(&T)", "继续(&C)"}, "继续(&C)", 10},
        // Icon and modality bits leave the buttons alone.
        {0x1000 | 0x30 | 4, {"是(&Y)", "否(&N)"}, "是(&Y)", 5},
    };
    for (const ButtonCase& c : cases) {
        SCOPED_TRACE("style " + std::to_string(c.style) + ", pressed " + c.pressed);
        BoxWatcher watcher(BoxWatcher::Click(Q(c.pressed)));
        EXPECT_EQ(TimedMessageBox(Gbk("正文"), c.style, Gbk("标题"), kNoOwner, 10000), c.expected);
        ASSERT_EQ(watcher.seen.size(), 1u);
        QStringList expectedLabels;
        for (const char* label : c.labels)
            expectedLabels << Q(label);
        QStringList shown = watcher.seen[0].buttons;
        shown.sort();
        expectedLabels.sort();
        EXPECT_EQ(shown, expectedLabels);
        EXPECT_EQ(watcher.seen[0].text, Q("正文"));
        EXPECT_EQ(watcher.seen[0].caption, Q("标题"));
        EXPECT_TRUE(watcher.seen[0].applicationModal);
    }
}

TEST(TimedMessageBoxTest, EscapeAnswersOnlyWhereTheBoxHasACancel) {
    // Yes/No and Abort/Retry/Ignore have no escape answer: Esc is ignored and the box
    // runs into its time limit.
    const std::vector<std::pair<unsigned, int>> cases = {{0, 0},     {1, 1}, {2, 31999}, {3, 1},
                                                         {4, 31999}, {5, 1}, {6, 1}};
    for (const auto& [style, expected] : cases) {
        SCOPED_TRACE("style " + std::to_string(style));
        BoxWatcher watcher(BoxWatcher::PressEscape());
        EXPECT_EQ(TimedMessageBox(Gbk("x"), style, std::nullopt, kNoOwner, kShortMs), expected);
        EXPECT_EQ(watcher.seen.size(), 1u);
    }
}

TEST(TimedMessageBoxTest, IconFollowsTheStyle) {
    const std::vector<std::pair<unsigned, QMessageBox::Icon>> cases = {
        {0x00, QMessageBox::NoIcon},
        {0x10, QMessageBox::Critical},
        {0x20, QMessageBox::Question},
        {0x30, QMessageBox::Warning},
        {0x40, QMessageBox::Information}};
    for (const auto& [style, icon] : cases) {
        SCOPED_TRACE("style " + std::to_string(style));
        BoxWatcher watcher;
        EXPECT_EQ(TimedMessageBox(Gbk("x"), style, std::nullopt, kNoOwner, 10000), 0);
        ASSERT_EQ(watcher.seen.size(), 1u);
        EXPECT_EQ(watcher.seen[0].icon, icon);
    }
}

TEST(TimedMessageBoxTest, UnknownButtonTypeShowsNothing) {
    BoxWatcher watcher;
    EXPECT_EQ(TimedMessageBox(Gbk("x"), 7u, std::nullopt, kNoOwner, kShortMs), -1);
    EXPECT_TRUE(watcher.seen.empty());
}

TEST(TimedMessageBoxTest, ShortLimitClosesTheBoxWith31999) {
    BoxWatcher watcher(BoxWatcher::LeaveAlone());
    EXPECT_EQ(TimedMessageBox(Gbk("x"), std::nullopt, std::nullopt, kNoOwner, kShortMs), 31999);
    EXPECT_EQ(watcher.seen.size(), 1u);
    EXPECT_EQ(test::VisibleMessageBox(), nullptr);
}

TEST(TimedMessageBoxTest, TextAloneGivesTheDefaultBoxOverTheMainWindow) {
    QWidget main;
    main.setWindowTitle(QStringLiteral("main"));
    main.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
    // The default limit is five seconds: the box must still be up after four.
    bool upAfterFourSeconds = false;
    QTimer::singleShot(4000, [&] { upAfterFourSeconds = test::VisibleMessageBox() != nullptr; });
    BoxWatcher watcher(BoxWatcher::LeaveAlone());
    EXPECT_EQ(TimedMessageBox(Gbk("你好")), 31999);
    EXPECT_TRUE(upAfterFourSeconds);
    ASSERT_EQ(watcher.seen.size(), 1u);
    const test::SeenBox& box = watcher.seen[0];
    EXPECT_EQ(box.caption, Q("友情提醒"));
    EXPECT_EQ(box.text, Q("你好"));
    EXPECT_EQ(box.buttons, QStringList{Q("确定")});
    EXPECT_EQ(box.icon, QMessageBox::NoIcon);
    EXPECT_EQ(box.owner, &main);
}

TEST(TimedMessageBoxTest, OkGivesZero) {
    QWidget main;
    main.show();
    BoxWatcher watcher(BoxWatcher::Click(Q("确定")));
    EXPECT_EQ(TimedMessageBox(Gbk("x")), 0);
    ASSERT_EQ(watcher.seen.size(), 1u);
    EXPECT_EQ(watcher.seen[0].owner, &main);
}

TEST(TimedMessageBoxTest, NoOwnerWhileTheMainWindowIsHidden) {
    QWidget main;
    main.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
    main.hide(); // as when minimised to the tray
    // A visible window that has a parent is never taken as the owner.
    QDialog child(&main);
    child.show();
    BoxWatcher watcher;
    EXPECT_EQ(TimedMessageBox(Gbk("x"), std::nullopt, std::nullopt, std::nullopt, 10000), 0);
    ASSERT_EQ(watcher.seen.size(), 1u);
    EXPECT_EQ(watcher.seen[0].owner, nullptr);
}

TEST(TimedMessageBoxTest, SuppliedOwnerIsUsedAsGiven) {
    QWidget main;
    QWidget other;
    main.show();
    other.hide();
    BoxWatcher watcher;
    TimedMessageBox(Gbk("x"), std::nullopt, std::nullopt, WindowHandleOf(&other), 10000);
    TimedMessageBox(Gbk("x"), std::nullopt, std::nullopt, kNoOwner, 10000);
    ASSERT_EQ(watcher.seen.size(), 2u);
    EXPECT_EQ(watcher.seen[0].owner, &other);
    EXPECT_EQ(watcher.seen[1].owner, nullptr);
}

TEST(TimedMessageBoxTest, OwnerDestroyedWhileTheBoxIsUpEndsItCleanly) {
    // The box goes with its owner; the call comes back with the escape answer.
    const std::vector<std::pair<unsigned, int>> cases = {{0, 0}, {1, 1}, {4, 1}};
    for (const auto& [style, expected] : cases) {
        SCOPED_TRACE("style " + std::to_string(style));
        auto* owner = new QWidget;
        owner->show();
        BoxWatcher watcher([owner](QMessageBox&) { owner->deleteLater(); });
        EXPECT_EQ(TimedMessageBox(Gbk("x"), style, std::nullopt, WindowHandleOf(owner), 10000),
                  expected);
        EXPECT_EQ(watcher.seen.size(), 1u);
        EXPECT_EQ(test::VisibleMessageBox(), nullptr);
    }
}

TEST(TimedMessageBoxTest, WithoutWindowServicesNoBoxIsShown) {
    platform::SetTopLevelWindows(platform::TopLevelWindows{});
    BoxWatcher watcher;
    const int result =
        TimedMessageBox(Gbk("x"), std::nullopt, std::nullopt, std::nullopt, kShortMs);
    InstallTopLevelWindows();
    EXPECT_EQ(result, -1);
    EXPECT_TRUE(watcher.seen.empty());
}

} // namespace
} // namespace kesmora
