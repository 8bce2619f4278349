#include "tests/support/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

extern char** environ;

namespace kesmora::test {

namespace {

pid_t Spawn(const std::vector<std::string>& argv, const std::string& logFile) {
    if (argv.empty())
        return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, logFile.c_str(), O_WRONLY | O_CREAT | O_APPEND,
                                     0600);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// Waits for the child to end, at most limitMs; its wait status, or -1 when it still runs.
int Reap(pid_t pid, int limitMs) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    for (;;) {
        int status = 0;
        pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid)
            return status;
        if (done < 0)
            return 0;
        if (std::chrono::steady_clock::now() >= deadline)
            return -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

} // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& argv, const std::string& logFile)
    : pid_(Spawn(argv, logFile)) {}

ChildProcess::~ChildProcess() {
    Stop();
}

bool ChildProcess::running() {
    if (pid_ <= 0)
        return false;
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == 0)
        return true;
    pid_ = -1;
    return false;
}

void ChildProcess::Stop() {
    if (pid_ <= 0)
        return;
    kill(pid_, SIGTERM);
    if (Reap(pid_, 2000) == -1) {
        kill(pid_, SIGKILL);
        Reap(pid_, 2000);
    }
    pid_ = -1;
}

int RunCommand(const std::vector<std::string>& argv, const std::string& logFile, int limitMs) {
    pid_t pid = Spawn(argv, logFile);
    if (pid <= 0)
        return -1;
    int status = Reap(pid, limitMs);
    if (status == -1) {
        kill(pid, SIGKILL);
        Reap(pid, 2000);
        return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace kesmora::test
