#include "platform/code_page_iconv.h"

#include "platform/code_page.h"
#include "platform/iconv_codec.h"

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

std::u16string FromLittleEndian(std::string_view le) {
    std::u16string units(le.size() / 2, u'\0');
    for (std::size_t k = 0; k < units.size(); ++k)
        units[k] = static_cast<char16_t>(ByteAt(le, 2 * k) | ByteAt(le, 2 * k + 1) << 8);
    return units;
}

} // namespace

std::u16string IconvDecodeCodePage(unsigned codePage, std::string_view source) {
    const bool gbk = IsGbk(codePage);
    IconvCodec codec(kUtf16Name, gbk ? kGbkName : kUtf8Name);
    if (!codec.ok())
        return {};
    return FromLittleEndian(
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
        }));
}

std::string IconvEncodeCodePage(unsigned codePage, std::u16string_view source,
                                std::string_view defaultChar, bool& usedDefault) {
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

// iconv writes straight into the string's units (host order is little-endian).
std::optional<std::u16string> IconvDecodeCharset(std::string_view bytes,
                                                 const std::string& charset) {
    IconvCodec codec(kUtf16Name, charset.c_str());
    if (!codec.ok())
        return std::nullopt;
    std::u16string text(bytes.size() + 8, u'\0');
    std::size_t read = 0;
    std::size_t written = 0; // in bytes
    auto room = [&] { return text.size() * 2 - written; };
    auto out = [&] { return reinterpret_cast<char*>(text.data()) + written; };
    auto replace = [&] {
        if (room() < 2)
            text.resize(text.size() * 2);
        text[written / 2] = kReplacement;
        written += 2;
        codec.Reset();
    };
    while (read < bytes.size()) {
        const auto step = codec.Convert(bytes.data() + read, bytes.size() - read, out(), room());
        read += step.read;
        written += step.written;
        if (step.status == IconvCodec::Status::OutputFull) {
            text.resize(text.size() * 2);
        } else if (step.status == IconvCodec::Status::Invalid) {
            replace();
            ++read;
        } else if (step.status == IconvCodec::Status::Incomplete) {
            replace();
            break;
        }
    }
    text.resize(written / 2);
    return text;
}

} // namespace kesmora::platform
