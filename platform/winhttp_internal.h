// Shared by the WinHTTP-style stand-in's own files only.
#pragma once

#include <string>

namespace kesmora::platform::winhttp_detail {

// Reports a call to the test seam's observer; false when the seam makes it fail.
bool SeamAllows(const char* call, const std::string& values);

} // namespace kesmora::platform::winhttp_detail
