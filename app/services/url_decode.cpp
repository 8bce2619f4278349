#include "app/services/services.h"

#include "platform/code_page.h"
#include "winhttp/code_pages.h"

#include <cstdio>
#include <string>
#include <string_view>

namespace kesmora {
namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Reads the (up to two) bytes after a "%" as sscanf's "%x" does: leading blanks, a
// sign, a 0x prefix. Two hex digits, the usual escape, are read directly.
bool ScanEscape(std::string_view digits, unsigned& value) {
    if (digits.size() == 2 && HexDigit(digits[0]) >= 0 && HexDigit(digits[1]) >= 0) {
        value = static_cast<unsigned>(HexDigit(digits[0]) * 16 + HexDigit(digits[1]));
        return true;
    }
    char bounded[3] = {};
    digits.copy(bounded, 2);
    return std::sscanf(bounded, "%x", &value) == 1;
}

std::string DecodeBytes(std::string_view s) {
    std::string decoded;
    decoded.reserve(s.size());
    std::size_t i = 0;
    while (i < s.size()) {
        const char c = s[i];
        unsigned value = 0;
        if (c == '%' && ScanEscape(s.substr(i + 1, 2), value)) {
            decoded.push_back(static_cast<char>(value & 0xFF));
            i += 1 + s.substr(i + 1, 2).size(); // both bytes, even if only one was read
        } else {
            decoded.push_back(c == '+' ? ' ' : c);
            ++i;
        }
    }
    return decoded;
}

} // namespace

Text UrlDecode(const Text& text, bool toGbk) {
    if (text.empty())
        return Text();
    const Bytes decoded(DecodeBytes(text.view()));
    if (!toGbk)
        return ToText(decoded);
    return Utf16ToGbkText(MultiByteToUtf16(decoded, platform::kCpUtf8));
}

} // namespace kesmora
