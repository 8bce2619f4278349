// Shared by the window tests: one QApplication for the run with the shell services
// installed, the built-in addresses pointed at the test's peers, the fake opener's log,
// the demo site as a child process, and an answerer for the close confirmation.
#pragma once

#include "common/text.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QMessageBox;

namespace kesmora::test {

// Points the window's built-in addresses at the given site (exit pages under it:
// <site>/exit-one and <site>/exit-two).
void SetSite(const std::string& site);
std::string ExitPageOne();
std::string ExitPageTwo();

// The addresses the fake xdg-open received, in order. Clear() empties the log.
class OpenerLog {
public:
    OpenerLog();
    ~OpenerLog();
    void Clear();
    std::vector<std::string> Lines() const;
    // Waits (bounded) until at least `count` lines are there, then gives them all.
    std::vector<std::string> WaitForLines(std::size_t count, int limitMs = 5000) const;

private:
    std::string path_;
};

// demo/server.py on a free loopback port, with its request log.
class DemoSite {
public:
    DemoSite();
    ~DemoSite();
    bool ok() const { return port_ != 0; }
    std::string Url() const;
    // Request targets ("/tongji.php", ...) in the order the site saw them.
    std::vector<std::string> RequestTargets() const;

private:
    struct Process;
    std::unique_ptr<Process> process_;
    int port_ = 0;
    std::string log_;
};

// Answers the next message box that comes up (polled every 10 ms, also inside modal
// loops) by clicking the button with this role, after recording what it showed.
struct SeenMessageBox {
    QString caption;
    QString text;
    QStringList buttons;
    bool applicationModal = false;
    bool hasOwner = false;
};
class BoxAnswer {
public:
    explicit BoxAnswer(int button); // QMessageBox::Yes or QMessageBox::No
    ~BoxAnswer();
    std::vector<SeenMessageBox> seen;

private:
    struct Poller;
    std::unique_ptr<Poller> poller_;
};

// Runs queued events for about `ms` milliseconds (deferred deletes included).
void Settle(int ms = 50);

} // namespace kesmora::test
