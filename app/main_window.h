// The program's one window: eight advertisement tiles above the service console's web
// view, a status text in the title, a menu bar of links, minimise-to-tray and a close
// confirmation. Its description is resources/main_window.ui.
#pragma once

#include "app/ad_tiles.h"
#include "common/text.h"

#include <QMainWindow>
#include <QMargins>

#include <functional>
#include <memory>

class QLabel;
class QLineEdit;
class QMenu;
class QSessionManager;
class QWebEngineView;

namespace Ui {
class MainWindow;
}

namespace kesmora {

class TrayIcon;

// Window placement values: 0 normal, 1 centred, 2 minimised, 3 maximised.
enum WindowPlacement {
    kPlaceNormal = 0,
    kPlaceCentred = 1,
    kPlaceMinimised = 2,
    kPlaceMaximised = 3
};

class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    // The outer frame at start: place and size with the window manager's frame.
    static constexpr int kLeft = 50;
    static constexpr int kTop = 50;
    static constexpr int kOuterWidth = 1400;
    static constexpr int kOuterHeight = 982;

    // Builds the window hidden, at its place, with the placeholder tiles and the web
    // view on its start page. Run Created() before showing it.
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    // The created handler: the status text into 标签1 and the title, then the tiles.
    // Blocks for the requests it makes.
    void Created();

    // Reading gives 2 when minimised, 3 when maximised, else 0. Setting works only
    // while the window is visible; values outside 0..3 are clipped.
    int WindowPosition() const;
    void SetWindowPosition(int placement);

    // A tray event code (1 left click, 2 double click, 3 right click).
    void TrayEvent(int code);

    // Asks "你是否确定关闭"; on Yes destroys the window. Always refuses the request itself.
    // Returns true when the answer was Yes.
    bool CanBeClosed();

    // Destroys the window at once: the exit pages go to the browser, the tray icon
    // goes, and the object is deleted when control returns to the event loop.
    void DestroyWindow();

    // The handler of "检测版本"; empty does nothing.
    void SetCheckVersion(std::function<void()> handler);

    // The status text as fetched at creation (GBK).
    const Text& StatusBanner() const { return statusBanner_; }

    PictureBox* Tile(int n) const;
    AdTileBoxes Tiles() const;
    QWebEngineView* Browser() const;
    QLabel* StatusLabel() const;
    QLineEdit* VersionEdit() const;
    QMenu* TrayMenu() const { return trayMenu_; }
    bool TrayIconUp() const;

    // Client size that makes the outer frame 1400 by 982 with the given frame margins.
    static QSize ClientSizeFor(const QMargins& frame);

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;

private:
    void PositionChanged();
    void WillBeDestroyed();
    void FitOuterFrame();
    void OnCommitDataRequest(QSessionManager& manager);

    std::unique_ptr<Ui::MainWindow> ui_;
    TrayIcon* tray_ = nullptr;
    QMenu* trayMenu_ = nullptr;
    std::function<void()> checkVersion_;
    Text statusBanner_;
    QMargins fittedFrame_;
    bool destroying_ = false;
};

// The close confirmation: "你是否确定关闭", caption "信息：", Yes and No, application
// modal, no owner. True for Yes.
bool AskToClose();

// The start address of the web view, with the trailing CR LF of its stored form
// removed.
Text BrowserStartAddress();

} // namespace kesmora
