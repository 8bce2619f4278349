// The headless services of the application: URL decoding, encoding conversion and the
// OS version word. Texts are GBK; failures give the empty value, never an error.
#pragma once

#include "common/text.h"

#include <cstdint>

namespace kesmora {

// --- URL decoding ----------------------------------------------------------------------

// "%" and up to two following bytes, read as C's sscanf "%x" reads them, become the low
// byte of the number (the escape consumes both bytes even when only the first was a
// digit); a "%" without a number stays "%"; "+" becomes a space; every other byte is
// copied. Works on bytes: an escape counts also inside a double-byte character. With
// `toGbk` the decoded bytes are read as UTF-8 and turned into GBK (bad UTF-8 and
// characters GBK lacks become "?"). A decoded zero byte ends the result.
Text UrlDecode(const Text& text, bool toGbk = false);

// --- encoding conversion ---------------------------------------------------------------

// The bytes converted from the encoding named `from` to the one named `to` (iconv
// names: "UTF-8", "GBK"), strictly and all or nothing: empty for empty input, an
// unknown name, an invalid or cut sequence, or a character the target cannot hold.
Bytes ConvertEncoding(const Bytes& bytes, const Text& from, const Text& to);

// --- OS version --------------------------------------------------------------------------

struct OsVersionInfo {
    std::uint32_t major = 0; // 0 when the query failed
    std::uint32_t minor = 0;
    bool succeeded = false;
};

// The running system's version: on Linux the kernel release ("6.1.0-..." gives 6.1).
OsVersionInfo ProbeOsVersion();

// (major & 0xFF) << 8 | (minor & 0xFF), as a signed 16-bit word: 6.1 gives 0x0601, a
// major of 0x80 or more makes it negative.
std::int16_t PackOsVersion(std::uint32_t major, std::uint32_t minor);

// The version word the request routines compare with 0x0602; 0 (an old system) until
// InitOsVersion sets it once at start-up.
extern std::int16_t OsVersion;
void InitOsVersion();

// The body of a plain HTTP/1.0 GET of an http or https address over the one long-lived
// session, whatever the status; empty for an empty or unsplittable address or a failure.
Bytes HttpGetFile(const Text& address);

} // namespace kesmora
