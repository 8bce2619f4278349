// A peer program run for the length of a test: started with its output in a log file,
// stopped (SIGTERM, then SIGKILL after two seconds) and reaped when the object goes.
//
//   kesmora::test::ChildProcess proxy({"tinyproxy", "-d", "-c", config}, dir.File("out.log"));
//   if (!proxy.running()) GTEST_SKIP() << "tinyproxy did not start";
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace kesmora::test {

class ChildProcess {
public:
    // argv[0] is looked up in PATH; stdout and stderr go to `logFile`, stdin is empty.
    ChildProcess(const std::vector<std::string>& argv, const std::string& logFile);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // True while the program runs (false when it could not be started or has ended).
    bool running();
    void Stop();

private:
    pid_t pid_ = -1;
};

// Runs a program to its end (at most `limitMs`, then it is killed) with its output in
// `logFile`; gives its exit status, or -1 when it could not run or was killed.
int RunCommand(const std::vector<std::string>& argv, const std::string& logFile,
               int limitMs = 30000);

} // namespace kesmora::test
