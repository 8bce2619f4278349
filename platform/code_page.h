// Code-page conversion calls, as the program makes them: code pages 936 (GBK, the
// Microsoft table with 0x80 for the euro sign), 65001 (UTF-8) and 0 (taken as 936).
// Any other code page, and any flags other than 0, are refused with 0.
//
// With flags 0 the platform's replacement behaviour holds, and nothing is ever refused
// for its content:
//   - to UTF-16: an invalid UTF-8 sequence (the longest start of a well-formed one, or
//     one stray byte) becomes one U+FFFD; in 936 a byte that starts no character, a
//     lead byte cut off by the end, or a pair without a character becomes one U+FFFD.
//   - from UTF-16: a character 936 lacks, or an unpaired surrogate, becomes the default
//     character ("?" unless one is given), one per code unit, so a pair 936 lacks
//     gives "??"; in UTF-8 an unpaired surrogate becomes U+FFFD. UTF-8 takes no default
//     character: passing one or the used-default flag is refused.
// A length of -1 means the source runs to (and includes) its zero terminator; an
// explicit length may include zeros, which convert like any character. With no output
// buffer (size 0) the calls return the size needed; a buffer too small gives 0 and
// nothing is written.
#pragma once

#include <cstdint>

namespace kesmora::platform {

inline constexpr unsigned kCpAcp = 0;
inline constexpr unsigned kCpGbk = 936;
inline constexpr unsigned kCpUtf8 = 65001;

int MultiByteToWideChar(unsigned codePage, unsigned long flags, const char* source,
                        int sourceLength, char16_t* target, int targetUnits);
int WideCharToMultiByte(unsigned codePage, unsigned long flags, const char16_t* source,
                        int sourceUnits, char* target, int targetBytes, const char* defaultChar,
                        int* usedDefaultChar);
// Units before the first zero unit; 0 for null.
int lstrlenW(const char16_t* s);

} // namespace kesmora::platform
