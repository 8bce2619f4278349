// The tray icon that stands for the hidden window, and its pop-up menu.
#pragma once

#include <QObject>
#include <QSystemTrayIcon>

class QMenu;
class QWidget;

namespace kesmora {

// The window's code for a mouse action on the tray icon: 1 a left click, 2 a left
// double click, 3 a right click (or the context-menu request); 0 for anything else,
// which is no tray event at all.
int TrayEventCode(QSystemTrayIcon::ActivationReason reason);

// One icon, put up while the window hides in the tray. Putting it up while it is shown
// replaces its icon and tip instead of adding a second one.
class TrayIcon : public QObject {
    Q_OBJECT
public:
    explicit TrayIcon(QObject* parent = nullptr);

    void PutUp();
    void TakeDown();
    bool IsUp() const;

    // True when the desktop has a tray to put the icon into. Without one, hiding the
    // window behind an icon would leave the user no way back to it.
    static bool Available();
    // Lets tests on a platform without a tray (offscreen) take the tray's path.
    static void AssumeAvailable(bool assume);

signals:
    // A mouse action on the icon, as a tray event code (never 0).
    void trayEvent(int code);

private:
    QSystemTrayIcon* icon_ = nullptr;
};

// "托盘菜单": "打开" and "关闭", neither with an action.
QMenu* CreateTrayMenu(QWidget* owner);

// Brings the owner forward and shows the menu right-aligned at the cursor less five
// pixels in both directions; returns when the menu closes.
void PopUpTrayMenu(QMenu* menu, QWidget* owner);

} // namespace kesmora
