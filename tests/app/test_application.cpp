#include "tests/app/test_application.h"

#include <QApplication>

#include <memory>
#include <string>
#include <utility>

namespace kesmora::test {
namespace {

class TestApplication : public ::testing::Environment {
public:
    TestApplication(const char* name, std::function<void()> started,
                    std::function<void()> beforeStart)
        : name_(name), started_(std::move(started)), beforeStart_(std::move(beforeStart)) {}

    void SetUp() override {
        if (beforeStart_)
            beforeStart_();
        app_ = std::make_unique<QApplication>(argc_, argv_);
        if (started_)
            started_();
    }
    void TearDown() override { app_.reset(); }

private:
    std::string name_;
    std::function<void()> started_;
    std::function<void()> beforeStart_;
    // QApplication keeps references to both for its whole life.
    int argc_ = 1;
    char* argv_[2] = {name_.data(), nullptr};
    std::unique_ptr<QApplication> app_;
};

} // namespace

::testing::Environment* AddTestApplication(const char* name, std::function<void()> started,
                                           std::function<void()> beforeStart) {
    return ::testing::AddGlobalTestEnvironment(
        new TestApplication(name, std::move(started), std::move(beforeStart)));
}

} // namespace kesmora::test
