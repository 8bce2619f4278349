// The process's top-level windows and its message box with a time limit, on Qt, for
// the platform layer's window calls (FindWindowExA, IsWindowVisible, GetParent,
// GetClassNameA, GetWindowTextW, MessageBoxTimeoutA ...).
//
// A window is a top-level widget, or a top-level QWindow that carries no widget. Its
// class name is the C++ class (metaObject()->className()), its title the window title.
// Windows that the window manager never sees (Qt::BypassWindowManagerHint: the tray
// icon embedded in the panel's tray) are not top-level windows of the desktop and are
// left out, as are Qt's desktop windows.
//
// Stacking order, as far as Qt can tell: the active window first, then the others from
// the one most recently shown or activated down to the least recent; windows never
// seen shown follow in creation order.
#pragma once

#include "platform/window_services.h"

class QObject;

namespace kesmora {

// Registers the services with the platform layer and starts following the order in
// which windows are shown and activated. Call once, after the QApplication exists;
// calling it again changes nothing.
void InstallTopLevelWindows();

// The handle the platform layer uses for a top-level widget or window (0 for null).
platform::WindowHandle WindowHandleOf(const QObject* window);
// The widget or window behind a handle; null when it is gone or was never one.
QObject* WindowOfHandle(platform::WindowHandle handle);

} // namespace kesmora
