#include "app/timed_message_box.h"

#include "platform/gbk.h"
#include "platform/system.h"
#include "winhttp/code_pages.h"

#include <vector>

namespace kesmora {
namespace {

constexpr std::uint32_t kYearMs = 31536000; // 365 days
constexpr int kOwnerSearchMs = 1000;
constexpr int kDefaultTimeoutMs = 5000;
constexpr int kClassBufferBytes = 261;

bool Occurs(const Text& part, const Text& text) {
    return Find(text, part) != -1;
}

// Both filters that were given hold for the window's class and title.
bool Matches(platform::WindowHandle w, const std::optional<Text>& titlePart,
             const std::optional<Text>& classPart) {
    const Text cls = GetWindowClassText(w);
    const Text ttl = GetWindowTitleText(w);
    if (classPart && !Occurs(*classPart, cls))
        return false;
    return !titlePart || Occurs(*titlePart, ttl);
}

} // namespace

int TimedMessageBox(const Text& text, std::optional<unsigned> style,
                    const std::optional<Text>& caption, std::optional<platform::WindowHandle> owner,
                    std::optional<int> timeoutMs) {
    const platform::WindowHandle window =
        owner ? *owner
              : FindProcessWindow(platform::GetCurrentProcessId(), std::nullopt, std::nullopt,
                                  kOwnerSearchMs);
    const Text shownCaption = caption ? *caption : Gbk("友情提醒");
    const unsigned shownStyle = style.value_or(0);
    const int limit = timeoutMs.value_or(kDefaultTimeoutMs);
    const int r = platform::MessageBoxTimeoutA(window, text.c_str(), shownCaption.c_str(),
                                               shownStyle, 0, static_cast<std::uint32_t>(limit));
    return r - 1;
}

platform::WindowHandle FindProcessWindow(std::uint32_t processId,
                                         const std::optional<Text>& titlePart,
                                         const std::optional<Text>& classPart,
                                         std::optional<int> timeLimitMs,
                                         std::optional<bool> visibleOnly) {
    const std::uint32_t start = platform::GetTickCount();
    const std::uint32_t limit =
        timeLimitMs && *timeLimitMs >= 0 ? static_cast<std::uint32_t>(*timeLimitMs) : kYearMs;
    platform::WindowHandle previous = 0;
    for (;;) {
        if (platform::GetTickCount() - start >= limit)
            return 0;
        const platform::WindowHandle w = platform::FindWindowExA(0, previous, nullptr, nullptr);
        previous = w;
        if (w == 0)
            return 0;
        if (visibleOnly.value_or(true) && !platform::IsWindowVisible(w))
            continue;
        std::uint32_t owner = 0;
        platform::GetWindowThreadProcessId(w, &owner);
        if (owner == processId && platform::GetParent(w) == 0 && Matches(w, titlePart, classPart))
            return w;
        platform::ProcessPendingMessages();
    }
}

Text GetWindowClassText(platform::WindowHandle window) {
    char buffer[kClassBufferBytes] = {};
    platform::GetClassNameA(window, buffer, kClassBufferBytes);
    return Text(buffer, kClassBufferBytes - 1);
}

Text GetWindowTitleText(platform::WindowHandle window) {
    const int n = platform::GetWindowTextLengthW(window);
    if (n <= 0)
        return Text();
    std::vector<char16_t> units(static_cast<std::size_t>(n) + 1, u'\0');
    platform::GetWindowTextW(window, units.data(), n + 1);
    Bytes buffer;
    for (char16_t unit : units) {
        const unsigned char le[2] = {static_cast<unsigned char>(unit & 0xFF),
                                     static_cast<unsigned char>(unit >> 8)};
        buffer.append(le, 2);
    }
    return Utf16ToGbkText(buffer);
}

} // namespace kesmora
