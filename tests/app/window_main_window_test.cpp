// The main window's handlers against loopback sites: what creation fetches and shows,
// tile presses, the tray, the close confirmation, and hostile answers.
#include "app/ad_tiles.h"
#include "app/main_window.h"
#include "app/menus.h"
#include "app/picture_box.h"
#include "app/shell_services.h"
#include "app/title_banner.h"
#include "app/tray.h"
#include "inet/inet.h"
#include "platform/gbk.h"
#include "script/script.h"
#include "tests/app/window_support.h"
#include "tests/support/loopback_server.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <QWebEngineView>

#include <map>
#include <string>
#include <vector>

namespace kesmora {
namespace {

using test::LoopbackServer;
using test::RecordedRequest;
using test::Reply;

std::string Png(int width, int height, QRgb colour) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes.toStdString();
}

std::string Record(const std::string& picture, const std::string& site) {
    return "{\"picture\":\"" + picture + "\",\"site\":\"" + site + "\"}";
}

// A site whose answers a test sets per request target; anything else is a 404 page.
class Site {
public:
    Site() {
        server_.SetHandler([this](const RecordedRequest& r) {
            auto it = answers_.find(r.target);
            if (it == answers_.end())
                return Reply::Status("404 Not Found", {"Content-Type: text/html"},
                                     "<html><body>not here</body></html>");
            return it->second;
        });
        test::SetSite(server_.Url(""));
    }
    void Answer(const std::string& target, Reply reply) {
        answers_.insert_or_assign(target, reply);
    }
    void Record(int n, const std::string& body) {
        Answer("/api/ad_website.php?id=" + std::to_string(n), Reply::Ok(body));
    }
    std::string Url(const std::string& path) const { return server_.Url(path); }
    std::vector<std::string> Targets() const {
        std::vector<std::string> targets;
        for (const RecordedRequest& r : server_.Requests())
            if (r.target != "/service/login/index" && r.target != "/favicon.ico")
                targets.push_back(r.target);
        return targets;
    }
    int Count(const std::string& target) const {
        int n = 0;
        for (const std::string& t : Targets())
            n += t == target;
        return n;
    }

private:
    LoopbackServer server_;
    std::map<std::string, Reply> answers_;
};

QString Title(const Text& status) {
    return ToQString(TitleBanner() + status);
}

TEST(TitleBanner, HasItsFixedSpacing) {
    const std::string banner = ToQString(TitleBanner()).toStdString();
    const std::string expected =
        "Kesmora" + std::string(14, ' ') + "订制版请联系QQ：" + "800000000" + std::string(3, ' ') +
        "订制版无广告" + std::string(4, ' ') + "官方主页：" + "https://www.kesmora.example" +
        std::string(8, ' ') + "当前版本：1.0" + std::string(22, ' ');
    EXPECT_EQ(banner, expected);
}

TEST(MainWindowCreated, PutsTheStatusTextIntoLabelAndTitle) {
    struct Case {
        const char* name;
        Reply reply;
        Text status;
    };
    const std::vector<Case> cases = {
        {"plain text", Reply::Ok("abc"), "abc"},
        {"cut at a zero byte", Reply::Ok(std::string("ab\0cd", 5)), "ab"},
        {"UTF-8 becomes GBK", Reply::Ok("在线 3 人"), Gbk("在线 3 人")},
        {"not UTF-8", Reply::Ok("\xff\xfe bad"), ""},
        {"a character GBK lacks", Reply::Ok("ok \xF0\x9F\x98\x80"), ""},
        {"an error page is still a body", Reply::Status("500 Internal Server Error", {}, "oops"),
         "oops"},
        {"no answer at all", Reply::CloseWithoutAnswer(), ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Site site;
        site.Answer("/tongji.php", c.reply);
        MainWindow window;
        window.Created();
        EXPECT_EQ(window.StatusBanner(), c.status);
        EXPECT_EQ(window.StatusLabel()->text(), ToQString(c.status));
        EXPECT_EQ(window.windowTitle(), Title(c.status));
        EXPECT_FALSE(window.isVisible()) << "creation must not show the window";
    }
}

TEST(MainWindowCreated, FetchesStatusThenRecordAndPictureOfEachTileInOrder) {
    Site site;
    site.Answer("/tongji.php", Reply::Ok("ready"));
    for (int n = 1; n <= 8; ++n) {
        const std::string picture = "/pictures/" + std::to_string(n) + ".png";
        site.Record(n, Record(site.Url(picture), site.Url("/site/" + std::to_string(n))));
        site.Answer(picture, Reply::Ok(Png(100 + n, 20 + n, qRgb(10 * n, 0, 0))));
    }
    MainWindow window;
    window.Created();

    std::vector<std::string> expected = {"/tongji.php"};
    for (int n = 1; n <= 8; ++n) {
        expected.push_back("/api/ad_website.php?id=" + std::to_string(n));
        expected.push_back("/pictures/" + std::to_string(n) + ".png");
    }
    EXPECT_EQ(site.Targets(), expected);
    for (int n = 1; n <= 8; ++n) {
        SCOPED_TRACE(n);
        ASSERT_TRUE(window.Tile(n)->hasPicture());
        EXPECT_EQ(window.Tile(n)->pictureSize(), QSize(100 + n, 20 + n));
    }
}

TEST(MainWindowCreated, LeavesTilesBlankOnHostileRecordsAndRunsNothing) {
    Site site;
    site.Answer("/tongji.php", Reply::Ok("\xc0\xc1"));
    const std::string good = Png(50, 50, qRgb(0, 200, 0));
    site.Answer("/good.png", Reply::Ok(good));
    // 1 is a sound tile between the hostile ones, so a failure cannot spill over.
    site.Record(1, Record(site.Url("/good.png"), site.Url("/one")));
    site.Record(2, "<html><body>Service unavailable</body></html>");
    site.Record(3, "(function(){for(;;){}})()");
    site.Record(4, Record(site.Url("/lies.png"), "file:///etc/passwd"));
    site.Answer("/lies.png", Reply::Ok("\x89PNG\r\n\x1a\n this is not a picture"));
    site.Record(5, Record("file:///etc/hostname", "/usr/bin/xcalc"));
    site.Record(6, "{\"site\":\"javascript:alert(1)\"}");
    site.Answer("/api/ad_website.php?id=7", Reply::EndlessBody());
    // 8 is answered by the 404 page.
    test::OpenerLog opener;

    MainWindow window;
    window.Created();
    EXPECT_EQ(window.windowTitle(), Title(""));
    EXPECT_TRUE(window.Tile(1)->hasPicture());
    for (int n = 2; n <= 8; ++n)
        EXPECT_FALSE(window.Tile(n)->hasPicture()) << "tile " << n;

    for (int n = 4; n <= 6; ++n)
        OpenAdTile(n);
    OpenAdTile(1);
    EXPECT_EQ(opener.WaitForLines(1), std::vector<std::string>{site.Url("/one")});
}

TEST(MainWindowTiles, PressingATileFetchesItsRecordAgainAndOpensItsSite) {
    Site site;
    site.Answer("/pic.png", Reply::Ok(Png(20, 20, qRgb(0, 0, 200))));
    for (int n = 1; n <= 8; ++n)
        site.Record(n, Record(site.Url("/pic.png"), site.Url("/site/" + std::to_string(n))));
    MainWindow window;
    window.Created();
    window.show();
    test::OpenerLog opener;

    // The record changed on the server: the press opens the new site.
    site.Record(2, Record(site.Url("/pic.png"), site.Url("/site/changed")));
    QTest::mousePress(window.Tile(2), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    QTest::mousePress(window.Tile(2), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    QTest::mousePress(window.Tile(3), Qt::RightButton, Qt::NoModifier, QPoint(5, 5));
    EXPECT_EQ(site.Count("/api/ad_website.php?id=2"), 3);
    EXPECT_EQ(site.Count("/api/ad_website.php?id=3"), 1) << "a right press opens nothing";
    EXPECT_EQ(opener.WaitForLines(2),
              (std::vector<std::string>{site.Url("/site/changed"), site.Url("/site/changed")}));
    EXPECT_EQ(window.Tile(2)->pictureSize(), QSize(20, 20));
}

TEST(MainWindowLayout, MatchesItsDescription) {
    Site site;
    MainWindow window;
    const std::vector<QRect> tiles = {
        {0, 0, 345, 100},   {352, 0, 345, 100},   {703, 0, 345, 100},   {1048, 0, 345, 100},
        {0, 100, 345, 100}, {352, 100, 345, 100}, {703, 100, 345, 100}, {1048, 100, 345, 100}};
    for (int n = 1; n <= 8; ++n) {
        EXPECT_EQ(window.Tile(n)->geometry(), tiles[static_cast<std::size_t>(n - 1)]) << n;
        EXPECT_EQ(window.Tile(n)->objectName(), QString::fromUtf8("图片框%1").arg(n));
        EXPECT_TRUE(window.Tile(n)->hasPicture()) << "placeholder in tile " << n;
        EXPECT_EQ(window.Tile(n)->cursor().shape(), Qt::PointingHandCursor);
    }
    EXPECT_EQ(window.Browser()->objectName(), QStringLiteral("Browser1"));
    EXPECT_EQ(window.Browser()->geometry(), QRect(0, 201, 1408, 728));
    EXPECT_EQ(window.Browser()->url().toString(),
              QString::fromStdString(site.Url("/service/login/index")));
    EXPECT_EQ(window.StatusLabel()->objectName(), QString::fromUtf8("标签1"));
    EXPECT_TRUE(window.StatusLabel()->isHidden());
    EXPECT_EQ(window.VersionEdit()->objectName(), QString::fromUtf8("编辑框1"));
    EXPECT_EQ(window.VersionEdit()->text(), QStringLiteral("1.0"));
    EXPECT_TRUE(window.VersionEdit()->isHidden());

    const Qt::WindowFlags flags = window.windowFlags();
    EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(window.minimumSize(), window.maximumSize()) << "fixed frame";
    EXPECT_EQ(MainWindow::ClientSizeFor(QMargins(4, 30, 6, 2)), QSize(1390, 950));
    EXPECT_EQ(window.pos(), QPoint(50, 50));
    EXPECT_TRUE(window.windowTitle().isEmpty());
}

TEST(MainWindowMenus, HaveTheirCaptionsAndAddresses) {
    Site site;
    MainWindow window;
    QList<QMenu*> menus;
    for (QAction* a : window.menuBar()->actions())
        menus << a->menu();
    ASSERT_EQ(menus.size(), 2);
    EXPECT_EQ(menus[0]->title(), QString::fromUtf8("功能菜单"));
    EXPECT_EQ(menus[1]->title(), QString::fromUtf8("业务推荐"));

    QStringList captions;
    for (QAction* a : menus[0]->actions())
        captions << a->text();
    EXPECT_EQ(captions,
              QString::fromUtf8("注册使用 管理后台 版本下载 官方客服 检测版本").split(u' '));

    const std::vector<LinkItem> links = FunctionMenuLinks();
    ASSERT_EQ(links.size(), 4u);
    EXPECT_EQ(links[0].address.str(), site.Url("/service/login/reg"));
    EXPECT_EQ(links[1].address.str(), site.Url("/service/login/index"));
    EXPECT_EQ(links[2].address.str(), site.Url("/download/"));
    EXPECT_EQ(links[3].address.str(),
              site.Url("/index/index/home?visiter_id=&visiter_name=&avatar=&business_id=2&"
                       "groupid=1&special=2"));

    const std::vector<LinkItem> services = RecommendedServices();
    ASSERT_EQ(services.size(), 8u);
    ASSERT_EQ(menus[1]->actions().size(), 8);
    EXPECT_EQ(services[0].address.str(), test::ExitPageOne());
    EXPECT_EQ(services[1].address.str(), test::ExitPageTwo());
    for (std::size_t i = 2; i < services.size(); ++i) {
        const QUrl url(ToQString(services[i].address));
        EXPECT_EQ(url.scheme(), QStringLiteral("https")) << i;
        EXPECT_TRUE(url.path().isEmpty() || url.path() == QStringLiteral("/")) << i;
        EXPECT_FALSE(url.hasQuery()) << i;
    }

    test::OpenerLog opener;
    menus[0]->actions()[1]->trigger(); // 管理后台
    menus[1]->actions()[0]->trigger();
    EXPECT_EQ(opener.WaitForLines(2),
              (std::vector<std::string>{site.Url("/service/login/index"), test::ExitPageOne()}));
    EXPECT_EQ(window.Browser()->url().toString(),
              QString::fromStdString(site.Url("/service/login/index")));

    int checks = 0;
    menus[0]->actions()[4]->trigger(); // no handler yet: nothing
    window.SetCheckVersion([&] { ++checks; });
    menus[0]->actions()[4]->trigger();
    EXPECT_EQ(checks, 1);
}

TEST(TrayEventCode, MapsTheMouseActions) {
    EXPECT_EQ(TrayEventCode(QSystemTrayIcon::Trigger), 1);
    EXPECT_EQ(TrayEventCode(QSystemTrayIcon::DoubleClick), 2);
    EXPECT_EQ(TrayEventCode(QSystemTrayIcon::Context), 3);
    EXPECT_EQ(TrayEventCode(QSystemTrayIcon::MiddleClick), 0);
    EXPECT_EQ(TrayEventCode(QSystemTrayIcon::Unknown), 0);
}

TEST(MainWindowTray, WithoutATrayMinimisingKeepsTheWindow) {
    if (QSystemTrayIcon::isSystemTrayAvailable())
        GTEST_SKIP() << "this desktop has a tray";
    Site site;
    MainWindow window;
    window.show();
    test::Settle();
    window.SetWindowPosition(2);
    test::Settle();
    EXPECT_EQ(window.WindowPosition(), 2);
    EXPECT_TRUE(window.isVisible()) << "hidden with no icon to bring it back";
    EXPECT_FALSE(window.TrayIconUp());
}

TEST(MainWindowTray, MinimisingHidesBehindTheIconAndALeftClickBringsItBackCentred) {
    TrayIcon::AssumeAvailable(true);
    struct Restore {
        ~Restore() { TrayIcon::AssumeAvailable(false); }
    } restore;
    Site site;
    MainWindow window;
    window.show();
    test::Settle();
    EXPECT_EQ(window.WindowPosition(), 0);

    window.SetWindowPosition(2);
    test::Settle();
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(window.TrayIconUp());

    window.TrayEvent(2); // a double click does nothing
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(window.TrayIconUp());

    // A right click pops the tray menu up; its items do nothing.
    QStringList items;
    QTimer::singleShot(100, [&] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            for (QAction* a : menu->actions())
                items << a->text();
            menu->actions()[1]->trigger();
            menu->close();
        }
    });
    window.TrayEvent(3);
    EXPECT_EQ(items, QString::fromUtf8("打开 关闭").split(u' '));
    EXPECT_EQ(window.TrayMenu()->title(), QString::fromUtf8("托盘菜单"));
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(window.TrayIconUp());

    window.TrayEvent(1);
    test::Settle();
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.WindowPosition(), 0);
    EXPECT_FALSE(window.TrayIconUp());
    const QRect screen = window.screen()->geometry();
    const QRect outer = window.frameGeometry();
    EXPECT_EQ(outer.topLeft(), QPoint(screen.x() + (screen.width() - outer.width()) / 2,
                                      screen.y() + (screen.height() - outer.height()) / 2));
}

TEST(MainWindowClose, AsksAndOnlyYesDestroysTheWindowAndOpensTheExitPages) {
    Site site;
    test::OpenerLog opener;
    auto* window = new MainWindow;
    QPointer<MainWindow> alive(window);
    window->show();
    test::Settle();

    struct Request {
        const char* name;
        std::function<void()> send;
    };
    const std::vector<Request> requests = {
        {"close button", [&] { window->close(); }},
        {"Esc", [&] { QTest::keyClick(window, Qt::Key_Escape); }},
    };
    for (const Request& r : requests) {
        SCOPED_TRACE(r.name);
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window));
        test::BoxAnswer no(QMessageBox::No);
        r.send();
        test::Settle();
        ASSERT_EQ(no.seen.size(), 1u);
        EXPECT_EQ(no.seen[0].text, QString::fromUtf8("你是否确定关闭"));
        EXPECT_EQ(no.seen[0].caption, QString::fromUtf8("信息："));
        EXPECT_EQ(no.seen[0].buttons.size(), 2);
        EXPECT_TRUE(no.seen[0].applicationModal);
        EXPECT_FALSE(no.seen[0].hasOwner);
        ASSERT_TRUE(alive);
        EXPECT_TRUE(window->isVisible());
    }
    EXPECT_TRUE(opener.Lines().empty());

    test::BoxAnswer yes(QMessageBox::Yes);
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    QTest::keyClick(window, Qt::Key_Escape);
    test::Settle();
    EXPECT_EQ(yes.seen.size(), 1u);
    EXPECT_FALSE(alive) << "Yes destroys the window";
    EXPECT_EQ(opener.WaitForLines(2),
              (std::vector<std::string>{test::ExitPageOne(), test::ExitPageTwo()}));
}

TEST(DemoSite, StartUpMakesItsSeventeenRequestsInOrder) {
    test::DemoSite demo;
    if (!demo.ok())
        GTEST_SKIP() << "the demo site did not start";
    test::SetSite(demo.Url());
    MainWindow window;
    window.Created();

    std::vector<std::string> targets;
    for (const std::string& t : demo.RequestTargets())
        if (t != "/service/login/index" && t != "/favicon.ico")
            targets.push_back(t);
    ASSERT_EQ(targets.size(), 17u);
    EXPECT_EQ(targets[0], "/tongji.php");
    for (int n = 1; n <= 8; ++n) {
        const auto i = static_cast<std::size_t>(2 * n - 1);
        EXPECT_EQ(targets[i], "/api/ad_website.php?id=" + std::to_string(n));
        // The picture request is the one the record names.
        JsonObject record;
        record.Parse(ToText(InetFetch(AdRecordAddress(n))));
        const QUrl picture(ToQString(record.GetText("picture")));
        EXPECT_EQ(targets[i + 1], picture.path().toStdString()) << n;
        EXPECT_TRUE(window.Tile(n)->hasPicture()) << n;
    }
    EXPECT_FALSE(window.StatusBanner().empty());
    EXPECT_EQ(window.windowTitle(), Title(window.StatusBanner()));
}

} // namespace
} // namespace kesmora
