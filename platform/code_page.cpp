#include "platform/code_page.h"

#include "platform/iconv_codec.h"

#include <climits>
#include <cstring>
#include <string>
#include <string_view>

namespace kesmora::platform {
namespace {

constexpr char16_t kReplacement = 0xFFFD;
constexpr char16_t kEuro = 0x20AC;
constexpr unsigned char kEuroByte = 0x80; // the Microsoft table's single-byte euro sign
constexpr const char* kGbkName = "GBK";
constexpr const char* kUtf8Name = "UTF-8";
constexpr const char* kUtf16Name = "UTF-16LE";

bool IsGbk(unsigned codePage) {
    return codePage == kCpGbk || codePage == kCpAcp;
}
bool IsSupported(unsigned codePage) {
    return IsGbk(codePage) || codePage == kCpUtf8;
}

void AppendUnit(std::string& le, char16_t unit) {
    le.push_back(static_cast<char>(unit & 0xFF));
    le.push_back(static_cast<char>(unit >> 8));
}

unsigned char ByteAt(std::string_view s, std::size_t i) {
    return static_cast<unsigned char>(s[i]);
}

// Converts all of `input`. At every stop on a sequence the converter cannot take,
// `onBad(input, at, out)` appends a replacement and says how many bytes to step over;
// at least one is always skipped, so the walk ends.
template <typename OnBad>
std::string ConvertReplacing(IconvCodec& codec, std::string_view input, OnBad onBad) {
    std::string out;
    char chunk[4096];
    std::size_t at = 0;
    while (at < input.size()) {
        const IconvCodec::Step step =
            codec.Convert(input.data() + at, input.size() - at, chunk, sizeof chunk);
        out.append(chunk, step.written);
        at += step.read;
        if (step.status == IconvCodec::Status::Done)
            break;
        const bool progressed = step.read > 0 || step.written > 0;
        if (step.status == IconvCodec::Status::OutputFull && progressed)
            continue;
        if (at >= input.size())
            break;
        codec.Reset();
        const std::size_t skip = onBad(input, at, out);
        at += skip > 0 ? skip : 1;
    }
    return out;
}

// Length of the longest start of a well-formed UTF-8 sequence at `i` (at least 1):
// the bytes one replacement character stands for.
std::size_t Utf8BadLength(std::string_view s, std::size_t i) {
    const unsigned char c = ByteAt(s, i);
    std::size_t need = 0;
    unsigned char low = 0x80, high = 0xBF;
    if (c >= 0xC2 && c <= 0xDF)
        need = 1;
    else if (c >= 0xE0 && c <= 0xEF)
        need = 2, low = (c == 0xE0 ? 0xA0 : 0x80), high = (c == 0xED ? 0x9F : 0xBF);
    else if (c >= 0xF0 && c <= 0xF4)
        need = 3, low = (c == 0xF0 ? 0x90 : 0x80), high = (c == 0xF4 ? 0x8F : 0xBF);
    std::size_t n = 1;
    while (n <= need && i + n < s.size()) {
        const unsigned char t = ByteAt(s, i + n);
        if (t < low || t > high)
            break;
        ++n;
        low = 0x80, high = 0xBF;
    }
    return n;
}

bool IsGbkTrail(unsigned char c) {
    return c >= 0x40 && c <= 0xFE && c != 0x7F;
}

// Source bytes to UTF-16 units with the replacements of flags 0.
std::u16string Decode(unsigned codePage, std::string_view source) {
    const bool gbk = IsGbk(codePage);
    IconvCodec codec(kUtf16Name, gbk ? kGbkName : kUtf8Name);
    if (!codec.ok())
        return {};
    const std::string le =
        ConvertReplacing(codec, source, [gbk](std::string_view s, std::size_t i, std::string& out) {
            const unsigned char c = ByteAt(s, i);
            if (!gbk) {
                AppendUnit(out, kReplacement);
                return Utf8BadLength(s, i);
            }
            if (c == kEuroByte) {
                AppendUnit(out, kEuro);
                return std::size_t{1};
            }
            AppendUnit(out, kReplacement);
            // A lead byte with a possible trail byte is one (unmapped) character.
            const bool pair =
                c >= 0x81 && c <= 0xFE && i + 1 < s.size() && IsGbkTrail(ByteAt(s, i + 1));
            return std::size_t{pair ? 2u : 1u};
        });
    std::u16string units(le.size() / 2, u'\0');
    for (std::size_t k = 0; k < units.size(); ++k)
        units[k] = static_cast<char16_t>(ByteAt(le, 2 * k) | ByteAt(le, 2 * k + 1) << 8);
    return units;
}

// UTF-16 units to bytes of the code page with the replacements of flags 0: an
// unpaired surrogate or a character the code page lacks becomes `defaultChar` (936,
// one per code unit) or U+FFFD (65001).
std::string Encode(unsigned codePage, std::u16string_view source, std::string_view defaultChar,
                   bool& usedDefault) {
    const bool gbk = IsGbk(codePage);
    IconvCodec codec(gbk ? kGbkName : kUtf8Name, kUtf16Name);
    if (!codec.ok())
        return {};
    std::string le;
    le.reserve(source.size() * 2);
    for (char16_t unit : source)
        AppendUnit(le, unit);
    return ConvertReplacing(codec, le, [&](std::string_view s, std::size_t i, std::string& out) {
        if (i + 1 >= s.size())
            return std::size_t{1}; // half a unit cannot come from a char16_t source
        const char16_t unit = static_cast<char16_t>(ByteAt(s, i) | ByteAt(s, i + 1) << 8);
        if (!gbk) {
            out += "\xEF\xBF\xBD";
        } else if (unit == kEuro) {
            out.push_back(static_cast<char>(kEuroByte));
        } else {
            out.append(defaultChar);
            usedDefault = true;
        }
        return std::size_t{2};
    });
}

// The default character a caller handed in: one character of 936, else "?".
std::string_view DefaultChar(const char* defaultChar) {
    if (defaultChar == nullptr || defaultChar[0] == '\0')
        return "?";
    const bool pair = static_cast<unsigned char>(defaultChar[0]) >= 0x81 && defaultChar[1] != '\0';
    return std::string_view(defaultChar, pair ? 2 : 1);
}

// Hands a result to the caller: its size when no buffer was offered, 0 when the
// buffer is too small, else the count written.
template <typename Unit>
int Deliver(const std::basic_string<Unit>& result, Unit* target, int targetSize) {
    if (result.size() > static_cast<std::size_t>(INT_MAX))
        return 0;
    const int needed = static_cast<int>(result.size());
    if (targetSize == 0)
        return needed;
    if (target == nullptr || needed > targetSize)
        return 0;
    std::memcpy(target, result.data(), result.size() * sizeof(Unit));
    return needed;
}

} // namespace

int MultiByteToWideChar(unsigned codePage, unsigned long flags, const char* source,
                        int sourceLength, char16_t* target, int targetUnits) {
    if (!IsSupported(codePage) || flags != 0 || source == nullptr || sourceLength == 0 ||
        sourceLength < -1 || targetUnits < 0)
        return 0;
    const std::size_t n =
        sourceLength == -1 ? std::strlen(source) + 1 : static_cast<std::size_t>(sourceLength);
    return Deliver(Decode(codePage, std::string_view(source, n)), target, targetUnits);
}

int WideCharToMultiByte(unsigned codePage, unsigned long flags, const char16_t* source,
                        int sourceUnits, char* target, int targetBytes, const char* defaultChar,
                        int* usedDefaultChar) {
    if (!IsSupported(codePage) || flags != 0 || source == nullptr || sourceUnits == 0 ||
        sourceUnits < -1 || targetBytes < 0)
        return 0;
    // UTF-8 has no default character: the platform refuses both arguments there.
    if (codePage == kCpUtf8 && (defaultChar != nullptr || usedDefaultChar != nullptr))
        return 0;
    const std::size_t n = sourceUnits == -1 ? static_cast<std::size_t>(lstrlenW(source)) + 1
                                            : static_cast<std::size_t>(sourceUnits);
    bool usedDefault = false;
    const std::string bytes =
        Encode(codePage, std::u16string_view(source, n), DefaultChar(defaultChar), usedDefault);
    if (usedDefaultChar != nullptr)
        *usedDefaultChar = usedDefault ? 1 : 0;
    return Deliver(bytes, target, targetBytes);
}

int lstrlenW(const char16_t* s) {
    if (s == nullptr)
        return 0;
    int n = 0;
    while (s[n] != u'\0' && n < INT_MAX)
        ++n;
    return n;
}

} // namespace kesmora::platform
