// The value types shared by the WinInet- and WinHTTP-style calls: handles, the 32-bit
// unsigned word of their flags and lengths, a pointer-sized word and a port number.
#pragma once

#include <cstdint>

namespace kesmora::platform {

using HINTERNET = std::uintptr_t; // 0 is no handle
using DWORD = std::uint32_t;
using DWORD_PTR = std::uintptr_t;
using INTERNET_PORT = std::uint16_t;

} // namespace kesmora::platform
