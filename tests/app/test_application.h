// One QApplication for a whole Qt test program (widgets need one), made before the
// first test and destroyed after the last. Register it once per program, at namespace
// scope in the program's support file:
//
//   [[maybe_unused]] ::testing::Environment* const kApplication =
//       kesmora::test::AddTestApplication("version_test", [] { InstallShellServices(); });
#pragma once

#include <gtest/gtest.h>

#include <functional>

namespace kesmora::test {

// `name` is the program name the application gets. `started` runs right after the
// application is made (the services the program installs at start); `beforeStart`
// right before (application attributes that must be set first). Either may be empty.
::testing::Environment* AddTestApplication(const char* name, std::function<void()> started = {},
                                           std::function<void()> beforeStart = {});

} // namespace kesmora::test
