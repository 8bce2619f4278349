// The conversions of the code-page calls and of the text stream done by iconv alone,
// stop by stop, with the replacements the calls define (see code_page.h and
// text_stream.h). They are the reference the faster converters must match byte for
// byte: the 936 tables are filled from iconv, the text stream reads every charset but
// UTF-8 through here, and the tests compare the fast paths with these.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kesmora::platform {

// Bytes of code page 936 (or 0) or 65001 as UTF-16 with the replacements of flags 0.
// Empty when iconv cannot open the converter.
std::u16string IconvDecodeCodePage(unsigned codePage, std::string_view source);
// UTF-16 units as bytes of code page 936 (or 0) or 65001 with the replacements of
// flags 0: `defaultChar` (936) or U+FFFD (65001) for what the code page lacks;
// `usedDefault` is set when a default character was written.
std::string IconvEncodeCodePage(unsigned codePage, std::u16string_view source,
                                std::string_view defaultChar, bool& usedDefault);
// The text stream's reading of `bytes` in `charset` (a plain iconv name): every stop on
// an invalid sequence gives one U+FFFD and steps one byte on, a sequence cut by the end
// gives one U+FFFD and ends the text. A byte order mark is kept. nullopt when iconv
// does not know the charset.
std::optional<std::u16string> IconvDecodeCharset(std::string_view bytes,
                                                 const std::string& charset);

} // namespace kesmora::platform
