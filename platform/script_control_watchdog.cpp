// The watchdog behind every script run: one thread for the process that interrupts an
// engine whose run passes its time or memory limit. It sleeps without a timeout while
// no run is guarded, and otherwise wakes every few milliseconds to look at the clock
// and at the process's resident memory.
#include "platform/script_control.h"

#include <QJSEngine>

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <fcntl.h>
#include <mutex>
#include <thread>
#include <unistd.h>
#include <vector>

namespace kesmora::platform {
namespace {

using Clock = std::chrono::steady_clock;
constexpr std::chrono::milliseconds kPollPeriod{10};

// Resident set size in bytes; 0 when it cannot be read.
std::size_t ResidentBytes() {
    const int fd = ::open("/proc/self/statm", O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return 0;
    char buffer[128];
    const ssize_t n = ::read(fd, buffer, sizeof buffer - 1);
    ::close(fd);
    if (n <= 0)
        return 0;
    buffer[n] = '\0';
    unsigned long long size = 0, resident = 0;
    if (std::sscanf(buffer, "%llu %llu", &size, &resident) != 2)
        return 0;
    return static_cast<std::size_t>(resident) * static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
}

struct Watched {
    std::uint64_t id = 0;
    QJSEngine* engine = nullptr;
    Clock::time_point armed;
    Clock::time_point deadline;
    std::size_t memoryGrowth = 0;
    std::size_t baseline = 0; // resident size at the first look; 0 before it
    detail::ScriptWatch::Outcome outcome = detail::ScriptWatch::Outcome::Finished;
};

class Watchdog {
public:
    static Watchdog& Instance() {
        // Never destroyed: the thread may still wait on the lock while the process exits.
        static Watchdog* watchdog = new Watchdog;
        return *watchdog;
    }

    std::uint64_t Arm(QJSEngine* engine) {
        std::lock_guard<std::mutex> guard(lock_);
        const std::uint64_t id = ++lastId_;
        Watched w;
        w.id = id;
        w.engine = engine;
        w.armed = Clock::now();
        w.deadline = w.armed + limits_.timeLimit;
        w.memoryGrowth = limits_.memoryGrowthBytes;
        watched_.push_back(w);
        if (idle_)
            wake_.notify_one();
        return id;
    }

    // Removes the run; after this the engine is never touched again.
    detail::ScriptWatch::Outcome Disarm(std::uint64_t id) {
        std::lock_guard<std::mutex> guard(lock_);
        for (auto it = watched_.begin(); it != watched_.end(); ++it) {
            if (it->id == id) {
                const auto outcome = it->outcome;
                watched_.erase(it);
                return outcome;
            }
        }
        return detail::ScriptWatch::Outcome::Finished;
    }

    ScriptLimits limits() {
        std::lock_guard<std::mutex> guard(lock_);
        return limits_;
    }
    void setLimits(const ScriptLimits& limits) {
        std::lock_guard<std::mutex> guard(lock_);
        limits_ = limits;
    }

private:
    Watchdog() {
        std::thread([this] { Run(); }).detach();
    }

    // Reads the resident size only once some run has lasted a poll period: the many
    // short runs (most last well under a millisecond) cost no more than one wake-up.
    void Run() {
        std::unique_lock<std::mutex> guard(lock_);
        for (;;) {
            idle_ = watched_.empty();
            if (idle_) {
                wake_.wait(guard);
                continue;
            }
            std::size_t resident = 0;
            if (AnyOlderThan(Clock::now() - kPollPeriod)) {
                guard.unlock();
                resident = ResidentBytes();
                guard.lock();
            }
            const Clock::time_point now = Clock::now();
            Clock::time_point next = now + kPollPeriod;
            for (Watched& w : watched_) {
                Look(w, resident, now);
                if (w.outcome == detail::ScriptWatch::Outcome::Finished)
                    next = std::min({next, w.deadline, std::max(now, w.armed + kPollPeriod)});
            }
            wake_.wait_until(guard, next);
        }
    }

    bool AnyOlderThan(Clock::time_point armedBefore) const {
        for (const Watched& w : watched_)
            if (w.armed <= armedBefore)
                return true;
        return false;
    }

    // `resident` is 0 when it was not read this round.
    static void Look(Watched& w, std::size_t resident, Clock::time_point now) {
        if (w.outcome != detail::ScriptWatch::Outcome::Finished)
            return;
        if (now >= w.deadline)
            w.outcome = detail::ScriptWatch::Outcome::TimeLimit;
        else if (resident == 0)
            return;
        else if (w.baseline == 0)
            w.baseline = resident;
        else if (resident > w.baseline && resident - w.baseline > w.memoryGrowth)
            w.outcome = detail::ScriptWatch::Outcome::MemoryLimit;
        if (w.outcome != detail::ScriptWatch::Outcome::Finished)
            w.engine->setInterrupted(true);
    }

    std::mutex lock_;
    std::condition_variable wake_;
    std::vector<Watched> watched_;
    std::uint64_t lastId_ = 0;
    bool idle_ = true;
    ScriptLimits limits_;
};

} // namespace

ScriptLimits GetScriptLimits() {
    return Watchdog::Instance().limits();
}

void SetScriptLimits(const ScriptLimits& limits) {
    Watchdog::Instance().setLimits(limits);
}

namespace detail {

ScriptWatch::ScriptWatch(QJSEngine* engine) : engine_(engine) {
    id_ = Watchdog::Instance().Arm(engine);
}

ScriptWatch::~ScriptWatch() {
    Finish();
}

ScriptWatch::Outcome ScriptWatch::Finish() {
    if (finished_)
        return outcome_;
    finished_ = true;
    outcome_ = Watchdog::Instance().Disarm(id_);
    if (outcome_ != Outcome::Finished)
        engine_->setInterrupted(false);
    return outcome_;
}

} // namespace detail
} // namespace kesmora::platform
