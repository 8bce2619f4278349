// Window services that code below the application calls without depending on a window
// toolkit: the application registers its implementation at start; until then (and in
// headless programs) every call does nothing and reports nothing.
#pragma once

#include "common/text.h"

#include <cstdint>
#include <string>

namespace kesmora::platform {

struct WindowServices {
    // Takes and dispatches every queued message; a quit request stays queued.
    void (*processPendingMessages)() = nullptr;
    // True when mouse or keyboard input is waiting for the window thread.
    bool (*inputPending)() = nullptr;
};

void SetWindowServices(const WindowServices& services);

// Stand-ins for the calls the routines make.
void ProcessPendingMessages();
bool GetInputState();

// --- top-level windows and the message box with a time limit --------------------------

// An opaque window handle; 0 is no window. A handle stays valid as long as its window
// lives and is never reused for another one, so a handle kept across message
// dispatching is at worst a handle of no window.
using WindowHandle = std::uintptr_t;

// The process's top-level windows as the window toolkit sees them. Registered by the
// application separately from WindowServices; every member may be left null.
struct TopLevelWindows {
    // The window after `after` in stacking order, topmost first; `after` 0 gives the
    // topmost. 0 past the last window or when `after` is no longer a window.
    WindowHandle (*next)(WindowHandle after) = nullptr;
    bool (*exists)(WindowHandle window) = nullptr;
    bool (*visible)(WindowHandle window) = nullptr;
    // The window's owner or parent (a transient parent counts); 0 for none.
    WindowHandle (*parent)(WindowHandle window) = nullptr;
    std::string (*className)(WindowHandle window) = nullptr;
    std::u16string (*title)(WindowHandle window) = nullptr;
    // Shows a modal box, waits for the answer or the time limit (0: none) and gives
    // the button's number (kIdOk ...), kMessageBoxTimedOut, or 0 when no box was shown.
    int (*messageBox)(WindowHandle owner, const std::u16string& text, const std::u16string& caption,
                      unsigned style, std::uint32_t milliseconds) = nullptr;
};

void SetTopLevelWindows(const TopLevelWindows& windows);

// Message box style word: buttons in the low four bits, icon in the next four, default
// button and modality above them.
inline constexpr unsigned kMbOk = 0x0;
inline constexpr unsigned kMbOkCancel = 0x1;
inline constexpr unsigned kMbAbortRetryIgnore = 0x2;
inline constexpr unsigned kMbYesNoCancel = 0x3;
inline constexpr unsigned kMbYesNo = 0x4;
inline constexpr unsigned kMbRetryCancel = 0x5;
inline constexpr unsigned kMbCancelTryContinue = 0x6;
inline constexpr unsigned kMbTypeMask = 0xF;
inline constexpr unsigned kMbIconHand = 0x10;
inline constexpr unsigned kMbIconQuestion = 0x20;
inline constexpr unsigned kMbIconExclamation = 0x30;
inline constexpr unsigned kMbIconAsterisk = 0x40;
inline constexpr unsigned kMbIconMask = 0xF0;
inline constexpr unsigned kMbDefButtonMask = 0xF00; // 0x100 per button after the first
inline constexpr unsigned kMbSystemModal = 0x1000;
inline constexpr unsigned kMbTopmost = 0x40000;

// Answers of a message box.
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdAbort = 3;
inline constexpr int kIdRetry = 4;
inline constexpr int kIdIgnore = 5;
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;
inline constexpr int kIdTryAgain = 10;
inline constexpr int kIdContinue = 11;
inline constexpr int kMessageBoxTimedOut = 32000;

// Stand-ins for the window calls the routines make. Only the enumeration of top-level
// windows is offered: FindWindowExA with a parent, a class or a title finds nothing.
WindowHandle FindWindowExA(WindowHandle parent, WindowHandle after, const char* className,
                           const char* title);
bool IsWindowVisible(WindowHandle window);
// Writes the owning process's id to *processId (when not null; 0 for no window) and
// returns the owning thread's id, 0 for no window. Every window found here is ours.
std::uint32_t GetWindowThreadProcessId(WindowHandle window, std::uint32_t* processId);
WindowHandle GetParent(WindowHandle window);
// Copies at most size - 1 bytes of the class name and a zero; gives the bytes copied.
int GetClassNameA(WindowHandle window, char* buffer, int size);
// Title length in UTF-16 units, and a copy of at most units - 1 of them and a zero unit
// (the units copied are returned).
int GetWindowTextLengthW(WindowHandle window);
int GetWindowTextW(WindowHandle window, char16_t* buffer, int units);
// A message box that answers kMessageBoxTimedOut when the user has not answered within
// `milliseconds` (0 and values of 2^31 or more: no limit). Text and caption are GBK;
// `language` is ignored. 0 when the box could not be shown (no window toolkit).
int MessageBoxTimeoutA(WindowHandle owner, const char* text, const char* caption, unsigned style,
                       unsigned short language, std::uint32_t milliseconds);

} // namespace kesmora::platform
