// Code-page conversion calls, as the program makes them: code pages 936 (GBK, the
// Microsoft table with 0x80 for the euro sign), 65001 (UTF-8) and 0 (taken as 936).
// Any other code page is refused with 0.
//
// With flags 0 the platform's replacement behaviour holds: an invalid UTF-8 sequence
// becomes U+FFFD, a character that 936 lacks becomes "?". A length of -1 means the
// source runs to (and includes) its zero terminator. With no output buffer (size 0)
// the calls return the size needed; a buffer too small gives 0.
#pragma once

#include <cstdint>

namespace kesmora::platform {

inline constexpr unsigned kCpAcp = 0;
inline constexpr unsigned kCpGbk = 936;
inline constexpr unsigned kCpUtf8 = 65001;

int MultiByteToWideChar(unsigned codePage, unsigned long flags, const char* source,
                        int sourceLength, char16_t* target, int targetUnits);
int WideCharToMultiByte(unsigned codePage, unsigned long flags, const char16_t* source,
                        int sourceUnits, char* target, int targetBytes,
                        const char* defaultChar, int* usedDefaultChar);
// Units before the first zero unit; 0 for null.
int lstrlenW(const char16_t* s);

} // namespace kesmora::platform
