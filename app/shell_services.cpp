#include "app/shell_services.h"

#include "platform/code_page.h"
#include "platform/window_services.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QProcess>
#include <QStringList>

#include <array>
#include <string>

namespace kesmora {
namespace {

bool HasWebScheme(const Text& address) {
    const Text lower = ToLower(Left(address, 8));
    return StartsWith(lower, "http://") || StartsWith(lower, "https://");
}

constexpr std::array<QEvent::Type, 8> kInputEventTypes = {
    QEvent::MouseButtonPress,
    QEvent::MouseButtonRelease,
    QEvent::MouseButtonDblClick,
    QEvent::MouseMove,
    QEvent::KeyPress,
    QEvent::KeyRelease,
    QEvent::Wheel,
    QEvent::ShortcutOverride,
};

bool IsInputEvent(QEvent::Type type) {
    for (QEvent::Type t : kInputEventTypes)
        if (t == type)
            return true;
    return false;
}

// Notes every mouse or keyboard event the application delivers, so a probe can tell
// whether delivering the queued input found any.
class InputTracker : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (IsInputEvent(event->type()))
            ++delivered_;
        return QObject::eventFilter(watched, event);
    }
    unsigned long delivered() const { return delivered_; }

private:
    unsigned long delivered_ = 0;
};

InputTracker* g_tracker = nullptr;

// Input from the window system reaches the application only while its event loop
// runs, so the input that can wait here is input queued to the application's objects.
// Delivers exactly that (no other kind of event) and tells whether there was any.
bool DeliverQueuedInput() {
    if (g_tracker == nullptr || QCoreApplication::instance() == nullptr)
        return false;
    const unsigned long before = g_tracker->delivered();
    for (QEvent::Type type : kInputEventTypes)
        QCoreApplication::sendPostedEvents(nullptr, type);
    return g_tracker->delivered() != before;
}

} // namespace

void OpenInBrowser(const Text& address) {
    if (!HasWebScheme(address))
        return;
    QProcess::startDetached(QStringLiteral("xdg-open"), QStringList{ToQString(address)});
}

void ProcessPendingMessages() {
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    if (dispatcher == nullptr)
        return;
    // An event that keeps re-posting itself must not hold the caller: a bounded number
    // of passes, each taking what is queued at its start.
    constexpr int kMaxPasses = 64;
    for (int pass = 0; pass < kMaxPasses; ++pass) {
        QCoreApplication::sendPostedEvents();
        if (!dispatcher->processEvents(QEventLoop::AllEvents))
            break;
    }
}

bool InputPending() {
    return DeliverQueuedInput();
}

void PumpIfInputPending() {
    if (InputPending())
        ProcessPendingMessages();
}

void InstallShellServices() {
    if (g_tracker == nullptr) {
        g_tracker = new InputTracker;
        g_tracker->setParent(QCoreApplication::instance());
        QCoreApplication::instance()->installEventFilter(g_tracker);
    }
    platform::WindowServices services;
    services.processPendingMessages = &ProcessPendingMessages;
    services.inputPending = &InputPending;
    platform::SetWindowServices(services);
}

QString ToQString(const Text& gbk) {
    if (gbk.empty())
        return QString();
    const int units =
        platform::MultiByteToWideChar(platform::kCpGbk, 0, gbk.c_str(), gbk.length(), nullptr, 0);
    if (units <= 0)
        return QString();
    std::u16string buffer(static_cast<std::size_t>(units), u'\0');
    platform::MultiByteToWideChar(platform::kCpGbk, 0, gbk.c_str(), gbk.length(), buffer.data(),
                                  units);
    return QString::fromStdU16String(buffer);
}

Text ToGbk(const QString& text) {
    if (text.isEmpty())
        return Text();
    const auto* source = reinterpret_cast<const char16_t*>(text.utf16());
    const int bytes = platform::WideCharToMultiByte(
        platform::kCpGbk, 0, source, static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    if (bytes <= 0)
        return Text();
    std::string buffer(static_cast<std::size_t>(bytes), '\0');
    platform::WideCharToMultiByte(platform::kCpGbk, 0, source, static_cast<int>(text.size()),
                                  buffer.data(), bytes, nullptr, nullptr);
    return Text(buffer.data(), buffer.size());
}

} // namespace kesmora
