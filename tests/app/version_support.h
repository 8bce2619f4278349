// Shared by the version-check tests: one QApplication for the run (with the shell's
// message pump and the top-level window services installed), and a watcher that
// records every message box that comes up while a call runs and answers it.
#pragma once

#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <vector>

namespace kesmora::test {

// What a box looked like when the watcher first saw it.
struct SeenBox {
    QString caption;
    QString text;
    QStringList buttons; // labels, in no particular order
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QWidget* owner = nullptr; // the widget the box stands over, null for none
    bool applicationModal = false;
};

// Polls every 10 ms (its timer also runs inside modal loops and message pumping).
// Each box is recorded once, then handed to the answer, which may click a button,
// press a key, or leave the box alone to time out.
class BoxWatcher : public QObject {
public:
    using Answer = std::function<void(QMessageBox&)>;
    explicit BoxWatcher(Answer answer = ClickFirst());
    std::vector<SeenBox> seen;

    // Clicks the button with this label (a GBK caption turned into a QString).
    static Answer Click(const QString& label);
    static Answer ClickFirst();
    static Answer PressEscape();
    static Answer LeaveAlone();

private:
    void Poll();
    Answer answer_;
    QTimer timer_;
};

// The visible message box of this process, null when there is none.
QMessageBox* VisibleMessageBox();

} // namespace kesmora::test
