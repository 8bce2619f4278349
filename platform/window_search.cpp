// The window calls of the owner search, on the registered top-level window services.
// Every window they can name belongs to this process and lives on its window thread.
#include "platform/code_page.h"
#include "platform/system.h"
#include "platform/window_registry.h"
#include "platform/window_services.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace kesmora::platform {
namespace {

const TopLevelWindows& Windows() {
    return RegisteredTopLevelWindows();
}

bool Exists(WindowHandle window) {
    return window != 0 && Windows().exists != nullptr && Windows().exists(window);
}

std::u16string GbkToUnits(const char* text) {
    if (text == nullptr || *text == '\0')
        return {};
    const int n = MultiByteToWideChar(kCpGbk, 0, text, -1, nullptr, 0);
    if (n <= 0)
        return {};
    std::u16string units(static_cast<std::size_t>(n), u'\0');
    MultiByteToWideChar(kCpGbk, 0, text, -1, units.data(), n);
    units.resize(static_cast<std::size_t>(n - 1)); // the terminator
    return units;
}

} // namespace

WindowHandle FindWindowExA(WindowHandle parent, WindowHandle after, const char* className,
                           const char* title) {
    if (parent != 0 || className != nullptr || title != nullptr || Windows().next == nullptr)
        return 0;
    if (after != 0 && !Exists(after))
        return 0;
    return Windows().next(after);
}

bool IsWindowVisible(WindowHandle window) {
    return Exists(window) && Windows().visible != nullptr && Windows().visible(window);
}

std::uint32_t GetWindowThreadProcessId(WindowHandle window, std::uint32_t* processId) {
    const bool ours = Exists(window);
    if (processId != nullptr)
        *processId = ours ? GetCurrentProcessId() : 0;
    // Windows live on the main thread, whose thread id is the process id.
    return ours ? GetCurrentProcessId() : 0;
}

WindowHandle GetParent(WindowHandle window) {
    if (!Exists(window) || Windows().parent == nullptr)
        return 0;
    return Windows().parent(window);
}

int GetClassNameA(WindowHandle window, char* buffer, int size) {
    if (buffer == nullptr || size <= 0)
        return 0;
    buffer[0] = '\0';
    if (!Exists(window) || Windows().className == nullptr)
        return 0;
    const std::string name = Windows().className(window);
    const std::size_t n = std::min(name.size(), static_cast<std::size_t>(size - 1));
    std::memcpy(buffer, name.data(), n);
    buffer[n] = '\0';
    return static_cast<int>(n);
}

int GetWindowTextLengthW(WindowHandle window) {
    if (!Exists(window) || Windows().title == nullptr)
        return 0;
    return static_cast<int>(std::min<std::size_t>(Windows().title(window).size(), INT_MAX));
}

int GetWindowTextW(WindowHandle window, char16_t* buffer, int units) {
    if (buffer == nullptr || units <= 0)
        return 0;
    buffer[0] = u'\0';
    if (!Exists(window) || Windows().title == nullptr)
        return 0;
    const std::u16string title = Windows().title(window);
    const std::size_t n = std::min(title.size(), static_cast<std::size_t>(units - 1));
    std::copy_n(title.data(), n, buffer);
    buffer[n] = u'\0';
    return static_cast<int>(n);
}

int MessageBoxTimeoutA(WindowHandle owner, const char* text, const char* caption, unsigned style,
                       unsigned short /*language*/, std::uint32_t milliseconds) {
    if (Windows().messageBox == nullptr)
        return 0;
    // An owner that is gone leaves the box without one rather than failing it.
    const WindowHandle live = Exists(owner) ? owner : 0;
    const std::uint32_t limit =
        milliseconds > static_cast<std::uint32_t>(INT_MAX) ? 0 : milliseconds;
    return Windows().messageBox(live, GbkToUnits(text), GbkToUnits(caption), style, limit);
}

} // namespace kesmora::platform
