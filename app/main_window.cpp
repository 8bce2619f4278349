#include "app/main_window.h"

#include "app/config.h"
#include "app/menus.h"
#include "app/picture_box.h"
#include "app/services/services.h"
#include "app/shell_services.h"
#include "app/title_banner.h"
#include "app/tray.h"
#include "platform/gbk.h"
#include "ui_main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QGuiApplication>
#include <QKeySequence>
#include <QMenu>
#include <QMessageBox>
#include <QScreen>
#include <QSessionManager>
#include <QShortcut>
#include <QUrl>
#include <QWebEngineView>
#include <QWindow>

#include <algorithm>
#include <cstddef>

// Resources live in a static library: nothing would pull them into the program
// otherwise. The macro cannot stand inside a namespace.
static void InitKesmoraResources() {
    Q_INIT_RESOURCE(images);
}

namespace kesmora {
namespace {

// The frame icewm puts around a fixed-size window; the real margins replace it as
// soon as the window manager reports them.
const QMargins kExpectedFrame(5, 24, 5, 5);

Bytes PlaceholderPicture() {
    QFile file(QStringLiteral(":/images/placeholder.png"));
    if (!file.open(QIODevice::ReadOnly))
        return Bytes();
    const QByteArray data = file.readAll();
    return Bytes(data.constData(), static_cast<std::size_t>(data.size()));
}

} // namespace

Text BrowserStartAddress() {
    const Text stored = Text(config::kServiceHost) + "/service/login/index\r\n";
    return EndsWith(stored, "\r\n") ? Left(stored, stored.length() - 2) : stored;
}

bool AskToClose() {
    QMessageBox box(QMessageBox::NoIcon, ToQString(Gbk("信息：")), ToQString(Gbk("你是否确定关闭")),
                    QMessageBox::Yes | QMessageBox::No);
    box.setObjectName(QStringLiteral("CloseConfirmation"));
    box.setWindowModality(Qt::ApplicationModal);
    return box.exec() == QMessageBox::Yes;
}

QSize MainWindow::ClientSizeFor(const QMargins& frame) {
    return QSize(kOuterWidth - frame.left() - frame.right(),
                 kOuterHeight - frame.top() - frame.bottom());
}

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent), ui_(std::make_unique<Ui::MainWindow>()) {
    InitKesmoraResources();
    ui_->setupUi(this);
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setWindowIcon(QIcon(QStringLiteral(":/images/kesmora.png")));
    setWindowTitle(QString());
    setBackgroundRole(QPalette::Button);
    setAutoFillBackground(true);
    ui_->client->setBackgroundRole(QPalette::Button);
    ui_->client->setAutoFillBackground(true);

    fittedFrame_ = kExpectedFrame;
    setFixedSize(ClientSizeFor(fittedFrame_));
    move(kLeft, kTop);

    const Bytes placeholder = PlaceholderPicture();
    const AdTileBoxes tiles = Tiles();
    for (int n = 1; n <= 8; ++n) {
        PictureBox* tile = tiles[static_cast<std::size_t>(n - 1)];
        tile->setPicture(placeholder);
        connect(tile, &PictureBox::leftButtonPressed, this, [n] { OpenAdTile(n); });
    }

    BuildMenuBar(ui_->menuBar, [this] {
        if (checkVersion_)
            checkVersion_();
    });

    tray_ = new TrayIcon(this);
    connect(tray_, &TrayIcon::trayEvent, this, &MainWindow::TrayEvent);
    trayMenu_ = CreateTrayMenu(this);

    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WindowShortcut);
    connect(escape, &QShortcut::activated, this, &QWidget::close);

    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        connect(app, &QGuiApplication::commitDataRequest, this, &MainWindow::OnCommitDataRequest);

    ui_->Browser1->setUrl(QUrl(ToQString(BrowserStartAddress())));
}

MainWindow::~MainWindow() = default;

void MainWindow::Created() {
    const Bytes raw = HttpGetFile(Text(config::kServiceHost) + "/tongji.php");
    statusBanner_ = ToText(ConvertEncoding(ToBytes(ToText(raw)), "UTF-8", "GBK"));
    ui_->标签1->setText(ToQString(statusBanner_));
    setWindowTitle(ToQString(TitleBanner() + statusBanner_));
    LoadAdTiles(Tiles());
}

int MainWindow::WindowPosition() const {
    if (isMinimized())
        return kPlaceMinimised;
    if (isMaximized())
        return kPlaceMaximised;
    return kPlaceNormal;
}

void MainWindow::SetWindowPosition(int placement) {
    if (!isVisible())
        return;
    switch (std::clamp(placement, 0, 3)) {
    case kPlaceNormal:
        showNormal();
        break;
    case kPlaceCentred: {
        if (isMinimized() || isMaximized())
            setWindowState(windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized));
        const QRect screenArea = screen()->geometry();
        const QRect outer = frameGeometry();
        const QPoint centred(screenArea.x() + (screenArea.width() - outer.width()) / 2,
                             screenArea.y() + (screenArea.height() - outer.height()) / 2);
        if (centred != outer.topLeft())
            move(centred);
        break;
    }
    case kPlaceMinimised:
        showMinimized();
        break;
    case kPlaceMaximised:
        showMaximized();
        break;
    }
}

void MainWindow::TrayEvent(int code) {
    switch (code) {
    case 1:
        show();
        SetWindowPosition(kPlaceCentred);
        tray_->TakeDown();
        break;
    case 3:
        PopUpTrayMenu(trayMenu_, this);
        break;
    default:
        break;
    }
}

bool MainWindow::CanBeClosed() {
    const bool yes = AskToClose();
    if (yes)
        DestroyWindow();
    return yes;
}

void MainWindow::DestroyWindow() {
    if (destroying_)
        return;
    destroying_ = true;
    WillBeDestroyed();
    tray_->TakeDown();
    hide();
    deleteLater();
}

void MainWindow::WillBeDestroyed() {
    OpenInBrowser(config::kExitPage1);
    OpenInBrowser(config::kExitPage2);
}

void MainWindow::SetCheckVersion(std::function<void()> handler) {
    checkVersion_ = std::move(handler);
}

PictureBox* MainWindow::Tile(int n) const {
    if (n < 1 || n > 8)
        return nullptr;
    return Tiles()[static_cast<std::size_t>(n - 1)];
}

AdTileBoxes MainWindow::Tiles() const {
    return {ui_->图片框1, ui_->图片框2, ui_->图片框3, ui_->图片框4,
            ui_->图片框5, ui_->图片框6, ui_->图片框7, ui_->图片框8};
}

QWebEngineView* MainWindow::Browser() const {
    return ui_->Browser1;
}
QLabel* MainWindow::StatusLabel() const {
    return ui_->标签1;
}
QLineEdit* MainWindow::VersionEdit() const {
    return ui_->编辑框1;
}
bool MainWindow::TrayIconUp() const {
    return tray_->IsUp();
}

void MainWindow::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange || destroying_)
        return;
    // Hidden once the state change has run its course: a minimise that comes with a
    // show (showMinimized) would otherwise show the window again right after.
    QMetaObject::invokeMethod(this, &MainWindow::PositionChanged, Qt::QueuedConnection);
}

void MainWindow::PositionChanged() {
    if (destroying_ || WindowPosition() != kPlaceMinimised)
        return;
    // With no tray the window stays an ordinary minimised window (task-bar button).
    if (!TrayIcon::Available())
        return;
    hide();
    tray_->PutUp();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // The default closing never happens: the window goes only through DestroyWindow.
    event->ignore();
    if (!destroying_)
        CanBeClosed();
}

bool MainWindow::event(QEvent* event) {
    const bool handled = QMainWindow::event(event);
    if (event->type() == QEvent::Move || event->type() == QEvent::Show)
        FitOuterFrame();
    return handled;
}

// Keeps the outer frame at 1400 by 982 once the window manager tells its real frame.
void MainWindow::FitOuterFrame() {
    const QWindow* window = windowHandle();
    if (window == nullptr || !isVisible())
        return;
    const QMargins frame = window->frameMargins();
    if (frame.isNull() || frame == fittedFrame_)
        return;
    fittedFrame_ = frame;
    setFixedSize(ClientSizeFor(frame));
}

void MainWindow::OnCommitDataRequest(QSessionManager& manager) {
    if (destroying_ || !manager.allowsInteraction())
        return;
    const bool yes = AskToClose();
    manager.release();
    if (!yes) {
        manager.cancel();
        return;
    }
    DestroyWindow();
}

} // namespace kesmora
