#include "app/tray.h"

#include "app/shell_services.h"
#include "platform/gbk.h"

#include <QCursor>
#include <QIcon>
#include <QMenu>
#include <QPoint>
#include <QWidget>

namespace kesmora {

int TrayEventCode(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        return 1;
    case QSystemTrayIcon::DoubleClick:
        return 2;
    case QSystemTrayIcon::Context:
        return 3;
    default:
        return 0;
    }
}

namespace {
bool g_assumeAvailable = false;
} // namespace

TrayIcon::TrayIcon(QObject* parent) : QObject(parent) {}

bool TrayIcon::Available() {
    return g_assumeAvailable || QSystemTrayIcon::isSystemTrayAvailable();
}

void TrayIcon::AssumeAvailable(bool assume) {
    g_assumeAvailable = assume;
}

void TrayIcon::PutUp() {
    if (icon_ == nullptr) {
        icon_ = new QSystemTrayIcon(this);
        connect(icon_, &QSystemTrayIcon::activated, this,
                [this](QSystemTrayIcon::ActivationReason reason) {
                    const int code = TrayEventCode(reason);
                    if (code != 0)
                        emit trayEvent(code);
                });
    }
    icon_->setIcon(QIcon(QStringLiteral(":/images/kesmora.png")));
    icon_->setToolTip(QStringLiteral("Kesmora"));
    icon_->show();
}

void TrayIcon::TakeDown() {
    // Deleting frees the icon as well as removing it from the tray.
    delete icon_;
    icon_ = nullptr;
}

bool TrayIcon::IsUp() const {
    return icon_ != nullptr;
}

QMenu* CreateTrayMenu(QWidget* owner) {
    auto* menu = new QMenu(ToQString(Gbk("托盘菜单")), owner);
    menu->setObjectName(QStringLiteral("TrayMenu"));
    menu->addAction(ToQString(Gbk("打开")));
    menu->addAction(ToQString(Gbk("关闭")));
    return menu;
}

void PopUpTrayMenu(QMenu* menu, QWidget* owner) {
    if (owner != nullptr)
        owner->activateWindow();
    const QPoint at = QCursor::pos() - QPoint(5, 5);
    // Right-aligned: the menu's right edge at the point.
    menu->exec(QPoint(at.x() - menu->sizeHint().width(), at.y()));
}

} // namespace kesmora
