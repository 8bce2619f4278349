// The version check behind the menu item "检测版本": the version published on the
// update site against the program's own, told in a box that closes itself.
#pragma once

#include "common/text.h"

class QLineEdit;

namespace kesmora {

// The message for the user: "有新版本请到官方下载覆盖安装即可" when `local` comes
// before `published` (byte by byte, unsigned, a proper prefix first; not a numeric
// comparison: "1.0" comes before "10.0" and before "1.0\r\n"), otherwise
// "当前为最新版本" (equal, later, or an empty published text after a failed fetch).
Text VersionMessage(const Text& local, const Text& published);

// AdHost + "/bb/1.txt".
Text PublishedVersionAddress();

// Fetches the published version text (percent-encoded UTF-8) from `address`, compares
// it with the text `versionBox` holds at that moment, and shows the message with
// TimedMessageBox. Events are dispatched while the fetch runs, so this may run nested
// in itself. When the box was destroyed meanwhile (its window went away), nothing is
// shown.
void CheckVersionAt(const Text& address, QLineEdit* versionBox);

// CheckVersionAt(PublishedVersionAddress(), versionBox): the menu item's handler, with
// the hidden edit box 编辑框1.
void CheckVersion(QLineEdit* versionBox);

} // namespace kesmora
