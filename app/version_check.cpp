#include "app/version_check.h"

#include "app/config.h"
#include "app/services/services.h"
#include "app/shell_services.h"
#include "app/timed_message_box.h"
#include "platform/gbk.h"
#include "winhttp/winhttp.h"

#include <QLineEdit>
#include <QPointer>

namespace kesmora {

Text VersionMessage(const Text& local, const Text& published) {
    if (Compare(local, published) < 0)
        return Gbk("有新版本请到官方下载覆盖安装即可");
    return Gbk("当前为最新版本");
}

Text PublishedVersionAddress() {
    return Concat({config::kAdHost, "/bb/1.txt"});
}

void CheckVersionAt(const Text& address, QLineEdit* versionBox) {
    // The fetch lets other handlers run; the window may be gone when it returns.
    const QPointer<QLineEdit> box(versionBox);
    const Text fetched = WinHttpFetch(address);
    const Text published = UrlDecode(fetched, true);
    if (box.isNull())
        return;
    const Text local = ToGbk(box->text());
    TimedMessageBox(VersionMessage(local, published));
}

void CheckVersion(QLineEdit* versionBox) {
    CheckVersionAt(PublishedVersionAddress(), versionBox);
}

} // namespace kesmora
