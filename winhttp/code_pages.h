// Moving strings between GBK texts, other code pages and UTF-16 buffers.
//
// A UTF-16 buffer is a Bytes value of 16-bit little-endian code units. "With
// terminator" means it ends in one zero unit. Code pages: 936 (GBK), 65001 (UTF-8) and
// 0 (the ANSI code page, which the program takes as 936); any other gives an empty
// result. An empty input always gives an empty result: a buffer of length 0, never a
// lone terminator. Bytes the code page cannot read become U+FFFD; characters it cannot
// hold become "?" (see platform/code_page.h). Inputs are never changed.
#pragma once

#include "common/text.h"

namespace kesmora {

// The text read in code page 936, with terminator unless `withoutTerminator`.
Bytes TextToUtf16(const Text& text, bool withoutTerminator = false);

// The bytes up to the first zero byte, read in `codePage`, with terminator.
Bytes MultiByteToUtf16(const Bytes& bytes, unsigned codePage);

// The units up to the first zero unit (a buffer without terminator is accepted; an odd
// last byte counts as a unit whose high byte is 0), written in `codePage`, without
// terminator.
Bytes Utf16ToMultiByte(const Bytes& buffer, unsigned codePage);

// Utf16ToMultiByte as a text (cut at the first zero byte).
Text Utf16ToText(const Bytes& buffer, unsigned codePage = 0);

// Utf16ToText in code page 936.
Text Utf16ToGbkText(const Bytes& buffer);

// A copy of the zero-ended UTF-16 string at `address`, with terminator; empty for null
// or for a string of length 0.
Bytes Utf16ZToBytes(const char16_t* address);

// The units before the first zero unit, plus one zero unit when `withTerminator`. A
// buffer that starts with a zero unit or is shorter than 2 bytes gives empty; an odd
// last byte is dropped.
Bytes CutUtf16AtNul(const Bytes& buffer, bool withTerminator = false);

} // namespace kesmora
