#include "tests/app/version_support.h"

#include "app/shell_services.h"
#include "app/window_search.h"

#include <QAbstractButton>
#include <QApplication>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

#include <memory>

namespace kesmora::test {
namespace {

// Widgets need an application object; one lives for the whole test program, with the
// services the program installs at start.
class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "version_test";
        static char* argv[] = {name, nullptr};
        app_ = std::make_unique<QApplication>(argc, argv);
        InstallShellServices();
        InstallTopLevelWindows();
    }
    void TearDown() override { app_.reset(); }

private:
    std::unique_ptr<QApplication> app_;
};

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

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
