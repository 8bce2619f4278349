#include "winhttp/code_pages.h"

#include "platform/code_page.h"

#include <string>

namespace kesmora {
namespace {

Bytes UnitsToBytes(const char16_t* units, std::size_t count) {
    std::string le(count * 2, '\0');
    for (std::size_t k = 0; k < count; ++k) {
        le[2 * k] = static_cast<char>(units[k] & 0xFF);
        le[2 * k + 1] = static_cast<char>(units[k] >> 8);
    }
    return Bytes(std::move(le));
}

// The units of a buffer (little-endian pairs; an odd last byte is a unit of its own
// whose high byte is 0), followed by one zero unit.
std::u16string BytesToUnitsZ(const Bytes& buffer) {
    const unsigned char* b = buffer.data();
    std::u16string units((buffer.size() + 1) / 2, u'\0');
    for (std::size_t k = 0; k < buffer.size(); ++k)
        units[k / 2] = static_cast<char16_t>(units[k / 2] | b[k] << (k % 2 == 0 ? 0 : 8));
    units.push_back(u'\0');
    return units;
}

} // namespace

Bytes MultiByteToUtf16(const Bytes& bytes, unsigned codePage) {
    // The string ends at the first zero byte, or at the end of the buffer.
    const std::string source = ToText(bytes).str();
    if (source.empty())
        return Bytes();
    const int n = platform::MultiByteToWideChar(codePage, 0, source.c_str(), -1, nullptr, 0);
    if (n <= 0)
        return Bytes();
    std::u16string units(static_cast<std::size_t>(n), u'\0');
    if (platform::MultiByteToWideChar(codePage, 0, source.c_str(), -1, units.data(), n) != n)
        return Bytes();
    return UnitsToBytes(units.data(), units.size());
}

Bytes TextToUtf16(const Text& text, bool withoutTerminator) {
    const Bytes r = MultiByteToUtf16(ToBytes(text), platform::kCpGbk);
    return withoutTerminator ? CutUtf16AtNul(r, false) : r;
}

Bytes Utf16ToMultiByte(const Bytes& buffer, unsigned codePage) {
    const std::u16string units = BytesToUnitsZ(buffer);
    if (platform::lstrlenW(units.c_str()) == 0)
        return Bytes();
    const int n =
        platform::WideCharToMultiByte(codePage, 0, units.c_str(), -1, nullptr, 0, nullptr, nullptr);
    if (n <= 0)
        return Bytes();
    std::string bytes(static_cast<std::size_t>(n), '\0');
    if (platform::WideCharToMultiByte(codePage, 0, units.c_str(), -1, bytes.data(), n, nullptr,
                                      nullptr) != n)
        return Bytes();
    // The terminator (and anything after a zero byte) is dropped.
    return ToBytes(Text(std::string_view(bytes)));
}

Text Utf16ToText(const Bytes& buffer, unsigned codePage) {
    return ToText(Utf16ToMultiByte(buffer, codePage));
}

Text Utf16ToGbkText(const Bytes& buffer) {
    return Utf16ToText(buffer, platform::kCpGbk);
}

Bytes Utf16ZToBytes(const char16_t* address) {
    const int length = platform::lstrlenW(address);
    if (length == 0)
        return Bytes();
    return UnitsToBytes(address, static_cast<std::size_t>(length) + 1);
}

Bytes CutUtf16AtNul(const Bytes& buffer, bool withTerminator) {
    if (buffer.size() < 2)
        return Bytes();
    const unsigned char* b = buffer.data();
    std::size_t i = 0;
    while (i + 1 < buffer.size() && (b[i] != 0 || b[i + 1] != 0))
        i += 2;
    if (i == 0)
        return Bytes();
    Bytes out(b, i);
    if (withTerminator)
        out.append("\0\0", 2);
    return out;
}

} // namespace kesmora
