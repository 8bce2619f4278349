#include "tests/app/window_support.h"

#include "app/config.h"
#include "app/shell_services.h"
#include "tests/app/test_application.h"
#include "tests/support/child_process.h"
#include "tests/support/free_port.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace kesmora::test {
namespace {

// The web view wants shared OpenGL contexts, set before the application exists.
[[maybe_unused]] ::testing::Environment* const kApplication = AddTestApplication(
    "window_test",
    [] {
        QApplication::setQuitOnLastWindowClosed(false);
        InstallShellServices();
    },
    [] { QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts); });

void Put(char (&target)[256], const std::string& value) {
    std::snprintf(target, sizeof target, "%s", value.c_str());
}

std::string TempFile(const char* stem) {
    std::string pattern = std::string("/tmp/") + stem + "-XXXXXX";
    const int fd = mkstemp(pattern.data());
    if (fd >= 0)
        close(fd);
    return pattern;
}

std::vector<std::string> ReadLines(const std::string& path) {
    std::vector<std::string> lines;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

} // namespace

void SetSite(const std::string& site) {
    Put(config::kServiceHost, site);
    Put(config::kAdHost, site);
    Put(config::kExitPage1, site + "/exit-one");
    Put(config::kExitPage2, site + "/exit-two");
}
std::string ExitPageOne() {
    return config::kExitPage1;
}
std::string ExitPageTwo() {
    return config::kExitPage2;
}

OpenerLog::OpenerLog() : path_(TempFile("kesmora-opener")) {
    setenv("KESMORA_TEST_OPENER_LOG", path_.c_str(), 1);
}

OpenerLog::~OpenerLog() {
    std::remove(path_.c_str());
}

void OpenerLog::Clear() {
    std::ofstream(path_, std::ios::trunc);
}

std::vector<std::string> OpenerLog::Lines() const {
    return ReadLines(path_);
}

std::vector<std::string> OpenerLog::WaitForLines(std::size_t count, int limitMs) const {
    QElapsedTimer clock;
    clock.start();
    while (Lines().size() < count && clock.elapsed() < limitMs)
        QTest::qWait(20);
    return Lines();
}

struct DemoSite::Process {
    std::unique_ptr<ChildProcess> child;
};

DemoSite::DemoSite() : process_(std::make_unique<Process>()) {
    const char* server = std::getenv("KESMORA_DEMO_SERVER");
    if (server == nullptr)
        return;
    log_ = TempFile("kesmora-demo-log");
    const std::string portFile = TempFile("kesmora-demo-port");
    std::remove(portFile.c_str());
    process_->child = std::make_unique<ChildProcess>(
        std::vector<std::string>{"python3", server, "--port", "0", "--port-file", portFile, "--log",
                                 log_},
        log_ + ".out");
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 10000) {
        std::ifstream in(portFile);
        int port = 0;
        if (in >> port && port > 0 && WaitUntilListening(port, 2000)) {
            port_ = port;
            break;
        }
        QTest::qWait(50);
    }
    std::remove(portFile.c_str());
}

DemoSite::~DemoSite() {
    process_.reset();
    if (!log_.empty()) {
        std::remove(log_.c_str());
        std::remove((log_ + ".out").c_str());
    }
}

std::string DemoSite::Url() const {
    return "http://127.0.0.1:" + std::to_string(port_);
}

std::vector<std::string> DemoSite::RequestTargets() const {
    std::vector<std::string> targets;
    for (const std::string& line : ReadLines(log_)) {
        std::istringstream fields(line);
        std::string method, target;
        fields >> method >> target;
        targets.push_back(target);
    }
    return targets;
}

struct BoxAnswer::Poller {
    QTimer timer;
};

BoxAnswer::BoxAnswer(int button) : poller_(std::make_unique<Poller>()) {
    QObject::connect(&poller_->timer, &QTimer::timeout, [this, button] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr || !box->isVisible())
            return;
        SeenMessageBox s;
        s.caption = box->windowTitle();
        s.text = box->text();
        for (QAbstractButton* b : box->buttons())
            s.buttons << b->text();
        s.applicationModal = box->windowModality() == Qt::ApplicationModal;
        s.hasOwner = box->parentWidget() != nullptr;
        seen.push_back(s);
        if (QAbstractButton* b = box->button(static_cast<QMessageBox::StandardButton>(button)))
            b->click();
    });
    poller_->timer.start(10);
}

BoxAnswer::~BoxAnswer() = default;

void Settle(int ms) {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QTest::qWait(ms);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace kesmora::test
