// A message box that closes itself, and the search for the window that owns it.
#pragma once

#include "common/text.h"
#include "platform/window_services.h"

#include <cstdint>
#include <optional>

namespace kesmora {

// Shows `text` in a modal box and gives the answer numbered from 0: OK 0, Cancel 1,
// Abort 2, Retry 3, Ignore 4, Yes 5, No 6, Try again 9, Continue 10; 31999 when the
// time ran out; -1 when no box could be shown.
// Omitted: style 0 (one OK button, no icon), caption "友情提醒", owner the first visible
// top-level window of this process (none when there is none), limit 5000 ms. An owner
// of 0 that is supplied means no owner and no search; a limit of 0 or less means none.
int TimedMessageBox(const Text& text, std::optional<unsigned> style = std::nullopt,
                    const std::optional<Text>& caption = std::nullopt,
                    std::optional<platform::WindowHandle> owner = std::nullopt,
                    std::optional<int> timeoutMs = std::nullopt);

// One pass over the top-level windows, topmost first, for a window of `processId`
// without owner or parent whose title holds `titlePart` and whose class name holds
// `classPart` (each checked only when given; an empty part occurs in every non-empty
// text and in no empty one). Invisible windows are passed over unless `visibleOnly` is
// false (it defaults to true). Queued events are dispatched after each window examined
// that was not passed over, so handlers run during the search.
// The pass ends with 0 once `timeLimitMs` has elapsed (omitted or negative: 365 days;
// 0: at once, before the first window). Gives the window, or 0.
platform::WindowHandle FindProcessWindow(std::uint32_t processId,
                                         const std::optional<Text>& titlePart = std::nullopt,
                                         const std::optional<Text>& classPart = std::nullopt,
                                         std::optional<int> timeLimitMs = std::nullopt,
                                         std::optional<bool> visibleOnly = std::nullopt);

// The window's class name, at most 260 bytes; empty for no window.
Text GetWindowClassText(platform::WindowHandle window);
// The window's title in GBK (characters GBK lacks become "?"); empty for no window.
Text GetWindowTitleText(platform::WindowHandle window);

} // namespace kesmora
