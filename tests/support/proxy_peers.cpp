#include "tests/support/proxy_peers.h"

#include "tests/support/free_port.h"

#include <chrono>
#include <sstream>
#include <thread>

namespace kesmora::test {

namespace {

constexpr int kStartMs = 5000;

// The text after `marker` on every log line that holds it.
std::vector<std::string> LinesAfter(const std::string& log, const std::string& marker) {
    std::vector<std::string> found;
    std::istringstream lines(log);
    std::string line;
    while (std::getline(lines, line)) {
        std::size_t at = line.find(marker);
        if (at != std::string::npos)
            found.push_back(line.substr(at + marker.size()));
    }
    return found;
}

// Peers write their log a moment after the exchange ends.
std::string SettledLog(const std::string& path) {
    std::string log = ReadFile(path);
    for (int i = 0; i < 25; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        std::string again = ReadFile(path);
        if (again == log)
            break;
        log = again;
    }
    return log;
}

} // namespace

Tinyproxy::Tinyproxy(std::optional<ProxyCredentials> credentials) : port_(FreeLoopbackPort()) {
    std::string config = "Port " + std::to_string(port_) +
                         "\nListen 127.0.0.1\nTimeout 30\nMaxClients 20\nAllow 127.0.0.1\n"
                         "LogLevel Connect\nLogFile \"" +
                         dir_.File("tinyproxy.log") + "\"\n";
    if (credentials)
        config += "BasicAuth " + credentials->user + " " + credentials->password + "\n";
    if (port_ == 0 || !WriteFile(dir_.File("tinyproxy.conf"), config))
        return;
    process_ = std::make_unique<ChildProcess>(
        std::vector<std::string>{"tinyproxy", "-d", "-c", dir_.File("tinyproxy.conf")},
        dir_.File("tinyproxy.out"));
    ok_ = process_->running() && WaitUntilListening(port_, kStartMs);
}

std::vector<std::string> Tinyproxy::Requests() const {
    std::vector<std::string> lines;
    for (const std::string& entry :
         LinesAfter(SettledLog(dir_.File("tinyproxy.log")), "Request (file descriptor "))
        lines.push_back(entry.substr(entry.find("): ") + 3));
    return lines;
}

Microsocks::Microsocks() : port_(FreeLoopbackPort()) {
    if (port_ == 0)
        return;
    process_ = std::make_unique<ChildProcess>(
        std::vector<std::string>{"microsocks", "-i", "127.0.0.1", "-p", std::to_string(port_)},
        dir_.File("microsocks.log"));
    ok_ = process_->running() && WaitUntilListening(port_, kStartMs);
}

std::vector<std::string> Microsocks::Connections() const {
    return LinesAfter(SettledLog(dir_.File("microsocks.log")), ": connected to ");
}

} // namespace kesmora::test
