#include "tests/app/version_support.h"

#include "app/shell_services.h"
#include "app/window_search.h"
#include "tests/app/test_application.h"

#include <QAbstractButton>
#include <QApplication>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

namespace kesmora::test {
namespace {

// The application comes with the services the program installs at start.
[[maybe_unused]] ::testing::Environment* const kApplication =
    AddTestApplication("version_test", [] {
        InstallShellServices();
        InstallTopLevelWindows();
    });

const char* const kSeenMark = "versionTestSeen";

QWidget* OwnerOf(const QMessageBox& box) {
    if (box.parentWidget() != nullptr)
        return box.parentWidget();
    const QWindow* own = box.windowHandle();
    if (own == nullptr || own->transientParent() == nullptr)
        return nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->windowHandle() == own->transientParent())
            return widget;
    return nullptr;
}

} // namespace

BoxWatcher::BoxWatcher(Answer answer) : answer_(std::move(answer)) {
    connect(&timer_, &QTimer::timeout, this, &BoxWatcher::Poll);
    timer_.start(10);
}

void BoxWatcher::Poll() {
    QMessageBox* box = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* candidate = qobject_cast<QMessageBox*>(widget);
        if (candidate != nullptr && candidate->isVisible() &&
            !candidate->property(kSeenMark).toBool())
            box = candidate;
    }
    if (box == nullptr)
        return;
    box->setProperty(kSeenMark, true);
    SeenBox s;
    s.caption = box->windowTitle();
    s.text = box->text();
    for (QAbstractButton* b : box->buttons())
        s.buttons << b->text();
    s.icon = box->icon();
    s.owner = OwnerOf(*box);
    s.applicationModal = box->windowModality() == Qt::ApplicationModal;
    seen.push_back(s);
    answer_(*box);
}

BoxWatcher::Answer BoxWatcher::Click(const QString& label) {
    return [label](QMessageBox& box) {
        for (QAbstractButton* b : box.buttons())
            if (b->text() == label) {
                b->click();
                return;
            }
        ADD_FAILURE() << "no button " << label.toStdString();
    };
}

BoxWatcher::Answer BoxWatcher::ClickFirst() {
    return [](QMessageBox& box) {
        if (!box.buttons().isEmpty())
            box.buttons().first()->click();
    };
}

BoxWatcher::Answer BoxWatcher::PressEscape() {
    return [](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Escape); };
}

BoxWatcher::Answer BoxWatcher::LeaveAlone() {
    return [](QMessageBox&) {};
}

QMessageBox* VisibleMessageBox() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* box = qobject_cast<QMessageBox*>(widget);
        if (box != nullptr && box->isVisible())
            return box;
    }
    return nullptr;
}

} // namespace kesmora::test
