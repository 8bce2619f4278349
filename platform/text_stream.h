// The text stream object ("Adodb.Stream"): a byte buffer that is written as binary and
// read back as text in a named charset. It offers what the charset step of a fetch
// uses, driven by member name:
//   Type      property, 1 binary or 2 text; changed only at position 0
//   Mode      property, 3 (read and write) or the other access modes; kept, not used
//   Charset   property, a charset name as iconv knows it ("utf-8", "GBK", "big5", ...),
//             "unicode" for UTF-16LE; set only at position 0; default "unicode"
//   Position  property, a byte offset in 0..size while open
//   Open, Close          methods; the buffer exists only while open
//   Write(bytes)         method, binary type only: writes the byte-array variant at the
//                        position and moves the position past it
//   ReadText()           method, text type only: the bytes from the position to the end
//                        in the charset, as a UTF-16 string variant; a sequence that is
//                        invalid in the charset reads as U+FFFD, a leading byte order
//                        mark is dropped. A charset iconv does not know fails the call.
// Every call out of order (not open, wrong type, position not 0) fails.
#pragma once

namespace kesmora::platform {

inline constexpr const char* kTextStreamClass = "Adodb.Stream";

// Adds the class to the automation registry; later calls do nothing. True when the
// class is registered.
bool RegisterTextStreamClass();

} // namespace kesmora::platform
