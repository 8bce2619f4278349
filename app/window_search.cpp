#include "app/window_search.h"

#include "app/shell_services.h"
#include "platform/gbk.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QHash>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <string>
#include <vector>

namespace kesmora {
namespace {

using platform::WindowHandle;

// --- handles ------------------------------------------------------------------------

// Handles are handed out once and never reused: a handle kept across dispatching whose
// window went away names no window rather than another one.
struct HandleTable {
    QHash<const QObject*, WindowHandle> byObject;
    QHash<WindowHandle, QPointer<QObject>> byHandle;
    WindowHandle last = 0x10000;
};

HandleTable& Handles() {
    static HandleTable table;
    return table;
}

// --- stacking order -----------------------------------------------------------------

// Remembers when each top-level object was last shown or activated.
class StackingTracker : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const QEvent::Type type = event->type();
        if ((type == QEvent::Show || type == QEvent::WindowActivate || type == QEvent::FocusIn) &&
            IsTopLevel(watched))
            note(watched);
        return QObject::eventFilter(watched, event);
    }
    quint64 raisedAt(const QObject* object) const { return raised_.value(object, 0); }

    static bool IsTopLevel(const QObject* object) {
        if (const auto* widget = qobject_cast<const QWidget*>(object))
            return widget->isWindow();
        if (const auto* window = qobject_cast<const QWindow*>(object))
            return window->isTopLevel();
        return false;
    }

private:
    void note(QObject* object) {
        if (!raised_.contains(object))
            connect(object, &QObject::destroyed, this, [this, object] { raised_.remove(object); });
        raised_[object] = ++clock_;
    }

    QHash<const QObject*, quint64> raised_;
    quint64 clock_ = 0;
};

StackingTracker* g_stacking = nullptr;

QWidget* WidgetOf(QWindow* window) {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->windowHandle() == window)
            return widget;
    return nullptr;
}

bool LeftOut(Qt::WindowFlags flags, Qt::WindowType type) {
    return flags.testFlag(Qt::BypassWindowManagerHint) || type == Qt::Desktop;
}

// Top-level widgets and widgetless top-level windows, in creation order (Qt keeps
// windows in that order; widgets that never had a window follow).
std::vector<QObject*> TopLevelObjects() {
    std::vector<QObject*> objects;
    for (QWindow* window : QGuiApplication::topLevelWindows()) {
        QWidget* widget = WidgetOf(window);
        if (LeftOut(window->flags(), window->type()))
            continue;
        objects.push_back(widget != nullptr ? static_cast<QObject*>(widget) : window);
    }
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->windowHandle() == nullptr &&
            !LeftOut(widget->windowFlags(), widget->windowType()))
            objects.push_back(widget);
    }
    return objects;
}

QObject* ActiveTopLevel() {
    if (QWidget* active = QApplication::activeWindow())
        return active;
    QWindow* focus = QGuiApplication::focusWindow();
    if (focus == nullptr)
        return nullptr;
    QWidget* widget = WidgetOf(focus);
    return widget != nullptr ? static_cast<QObject*>(widget) : focus;
}

std::vector<QObject*> StackingOrder() {
    std::vector<QObject*> objects = TopLevelObjects();
    const QObject* active = ActiveTopLevel();
    std::stable_sort(objects.begin(), objects.end(), [active](QObject* a, QObject* b) {
        if ((a == active) != (b == active))
            return a == active;
        const quint64 ra = g_stacking != nullptr ? g_stacking->raisedAt(a) : 0;
        const quint64 rb = g_stacking != nullptr ? g_stacking->raisedAt(b) : 0;
        return ra > rb;
    });
    return objects;
}

// --- the window calls ---------------------------------------------------------------

WindowHandle Next(WindowHandle after) {
    const std::vector<QObject*> order = StackingOrder();
    if (after == 0)
        return order.empty() ? 0 : WindowHandleOf(order.front());
    const QObject* current = WindowOfHandle(after);
    const auto it = std::find(order.begin(), order.end(), current);
    if (current == nullptr || it == order.end() || it + 1 == order.end())
        return 0;
    return WindowHandleOf(*(it + 1));
}

bool Exists(WindowHandle handle) {
    return WindowOfHandle(handle) != nullptr;
}

bool Visible(WindowHandle handle) {
    QObject* object = WindowOfHandle(handle);
    if (auto* widget = qobject_cast<QWidget*>(object))
        return widget->isVisible();
    if (auto* window = qobject_cast<QWindow*>(object))
        return window->isVisible();
    return false;
}

WindowHandle Parent(WindowHandle handle) {
    QObject* object = WindowOfHandle(handle);
    if (auto* widget = qobject_cast<QWidget*>(object)) {
        if (QWidget* parent = widget->parentWidget())
            return WindowHandleOf(parent->window());
        const QWindow* own = widget->windowHandle();
        return own != nullptr ? WindowHandleOf(own->transientParent()) : 0;
    }
    if (auto* window = qobject_cast<QWindow*>(object)) {
        if (window->transientParent() != nullptr)
            return WindowHandleOf(window->transientParent());
        return WindowHandleOf(window->parent());
    }
    return 0;
}

std::string ClassName(WindowHandle handle) {
    const QObject* object = WindowOfHandle(handle);
    return object != nullptr ? std::string(object->metaObject()->className()) : std::string();
}

std::u16string Title(WindowHandle handle) {
    QObject* object = WindowOfHandle(handle);
    QString title;
    if (auto* widget = qobject_cast<QWidget*>(object))
        title = widget->windowTitle();
    else if (auto* window = qobject_cast<QWindow*>(object))
        title = window->title();
    return title.toStdU16String();
}

// --- the message box ------------------------------------------------------------------

struct ButtonSpec {
    int id;
    QMessageBox::StandardButton standard; // NoButton: a button of our own
    const char* label;                    // UTF-8: the label the desktop's language gives it
};

// Buttons of each style, left to right, and the answer Esc and the close button give
// (0: neither is possible, as with Yes/No or Abort/Retry/Ignore).
struct ButtonSet {
    std::vector<ButtonSpec> buttons;
    int escapeId;
};

const ButtonSpec kOk{platform::kIdOk, QMessageBox::Ok, "确定"};
const ButtonSpec kCancel{platform::kIdCancel, QMessageBox::Cancel, "取消"};
const ButtonSpec kAbort{platform::kIdAbort, QMessageBox::Abort, "中止(&A)"};
const ButtonSpec kRetry{platform::kIdRetry, QMessageBox::Retry, "重试(&R)"};
const ButtonSpec kIgnore{platform::kIdIgnore, QMessageBox::Ignore, "忽略(&I)"};
const ButtonSpec kYes{platform::kIdYes, QMessageBox::Yes, "是(&Y)"};
const ButtonSpec kNo{platform::kIdNo, QMessageBox::No, "否(&N)"};
const ButtonSpec kTryAgain{platform::kIdTryAgain, QMessageBox::NoButton, "重试(&T)"};
const ButtonSpec kContinue{platform::kIdContinue, QMessageBox::NoButton, "继续(&C)"};

// False for a button type the style word does not define.
bool ButtonsOf(unsigned style, ButtonSet& set) {
    switch (style & platform::kMbTypeMask) {
    case platform::kMbOk:
        set = {{kOk}, platform::kIdOk};
        return true;
    case platform::kMbOkCancel:
        set = {{kOk, kCancel}, platform::kIdCancel};
        return true;
    case platform::kMbAbortRetryIgnore:
        set = {{kAbort, kRetry, kIgnore}, 0};
        return true;
    case platform::kMbYesNoCancel:
        set = {{kYes, kNo, kCancel}, platform::kIdCancel};
        return true;
    case platform::kMbYesNo:
        set = {{kYes, kNo}, 0};
        return true;
    case platform::kMbRetryCancel:
        set = {{kRetry, kCancel}, platform::kIdCancel};
        return true;
    case platform::kMbCancelTryContinue:
        set = {{kCancel, kTryAgain, kContinue}, platform::kIdCancel};
        return true;
    default:
        return false;
    }
}

QMessageBox::Icon IconOf(unsigned style) {
    switch (style & platform::kMbIconMask) {
    case platform::kMbIconHand:
        return QMessageBox::Critical;
    case platform::kMbIconQuestion:
        return QMessageBox::Question;
    case platform::kMbIconExclamation:
        return QMessageBox::Warning;
    case platform::kMbIconAsterisk:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

// A box without an escape answer ignores Esc and the close button.
class NoEscape : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Close) {
            event->ignore();
            return true;
        }
        if (event->type() == QEvent::KeyPress &&
            static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape)
            return true;
        return QObject::eventFilter(watched, event);
    }
};

void SetOwner(QMessageBox& box, QObject* owner) {
    if (auto* widget = qobject_cast<QWidget*>(owner)) {
        box.setParent(widget->window(), box.windowFlags());
        return;
    }
    if (auto* window = qobject_cast<QWindow*>(owner)) {
        box.winId(); // gives the box its window, so it can stand over the owner
        box.windowHandle()->setTransientParent(window);
    }
}

// Fills the box with the style's buttons; returns each button's answer.
QHash<QAbstractButton*, int> AddButtons(QMessageBox& box, const ButtonSet& set, unsigned style) {
    QHash<QAbstractButton*, int> ids;
    const std::size_t defaultIndex = (style & platform::kMbDefButtonMask) >> 8;
    for (std::size_t i = 0; i < set.buttons.size(); ++i) {
        const ButtonSpec& spec = set.buttons[i];
        const QString label = ToQString(Gbk(spec.label));
        QPushButton* button = nullptr;
        if (spec.standard != QMessageBox::NoButton) {
            button = box.addButton(spec.standard);
            button->setText(label);
        } else {
            button = box.addButton(label, QMessageBox::AcceptRole);
        }
        ids.insert(button, spec.id);
        if (i == (defaultIndex < set.buttons.size() ? defaultIndex : 0))
            box.setDefaultButton(button);
        if (spec.id == set.escapeId)
            box.setEscapeButton(button);
    }
    return ids;
}

// A box closed without a button (its owner went away and took it along) gives the
// answer Esc would give, or Cancel where Esc gives none.
int AnswerWithoutButton(const ButtonSet& set) {
    return set.escapeId != 0 ? set.escapeId : platform::kIdCancel;
}

int ShowMessageBox(WindowHandle owner, const std::u16string& text, const std::u16string& caption,
                   unsigned style, std::uint32_t milliseconds) {
    ButtonSet set;
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr ||
        !ButtonsOf(style, set))
        return 0;
    // On the heap and watched: a box with an owner is deleted along with it, which
    // handlers running inside the box's modal loop may bring about.
    const QPointer<QMessageBox> box = new QMessageBox;
    SetOwner(*box, WindowOfHandle(owner));
    box->setWindowModality(Qt::ApplicationModal);
    box->setTextFormat(Qt::PlainText);
    box->setText(QString::fromStdU16String(text));
    box->setWindowTitle(QString::fromStdU16String(caption));
    box->setIcon(IconOf(style));
    if ((style & (platform::kMbSystemModal | platform::kMbTopmost)) != 0)
        box->setWindowFlag(Qt::WindowStaysOnTopHint, true);
    const QHash<QAbstractButton*, int> ids = AddButtons(*box, set, style);
    if (set.escapeId == 0)
        box->installEventFilter(new NoEscape(box));
    bool timedOut = false;
    auto* limit = new QTimer(box);
    limit->setSingleShot(true);
    limit->setTimerType(Qt::PreciseTimer); // a coarse timer may fire up to 5% early
    QObject::connect(limit, &QTimer::timeout, box, [target = box.data(), &timedOut] {
        timedOut = true;
        target->done(QMessageBox::NoButton);
    });
    if (milliseconds > 0)
        limit->start(static_cast<int>(milliseconds));
    box->exec();
    if (box.isNull())
        return timedOut ? platform::kMessageBoxTimedOut : AnswerWithoutButton(set);
    const int answer = timedOut ? platform::kMessageBoxTimedOut
                                : ids.value(box->clickedButton(), AnswerWithoutButton(set));
    delete box.data();
    return answer;
}

void Forget(QObject* object) {
    HandleTable& table = Handles();
    const WindowHandle handle = table.byObject.take(object);
    table.byHandle.remove(handle);
}

} // namespace

WindowHandle WindowHandleOf(const QObject* window) {
    if (window == nullptr)
        return 0;
    HandleTable& table = Handles();
    const auto found = table.byObject.constFind(window);
    if (found != table.byObject.constEnd())
        return found.value();
    auto* object = const_cast<QObject*>(window);
    const WindowHandle handle = ++table.last;
    table.byObject.insert(window, handle);
    table.byHandle.insert(handle, QPointer<QObject>(object));
    QObject::connect(object, &QObject::destroyed, [object] { Forget(object); });
    return handle;
}

QObject* WindowOfHandle(WindowHandle handle) {
    if (handle == 0)
        return nullptr;
    return Handles().byHandle.value(handle).data();
}

void InstallTopLevelWindows() {
    if (g_stacking == nullptr && QCoreApplication::instance() != nullptr) {
        g_stacking = new StackingTracker;
        g_stacking->setParent(QCoreApplication::instance());
        QCoreApplication::instance()->installEventFilter(g_stacking);
    }
    platform::TopLevelWindows windows;
    windows.next = &Next;
    windows.exists = &Exists;
    windows.visible = &Visible;
    windows.parent = &Parent;
    windows.className = &ClassName;
    windows.title = &Title;
    windows.messageBox = &ShowMessageBox;
    platform::SetTopLevelWindows(windows);
}

} // namespace kesmora
