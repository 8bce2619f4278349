// The standard automation conversions between variant kinds. Numbers are read and
// written independently of the process locale (a desktop locale with a decimal comma
// must not change what a script value reads as).
#include "platform/automation.h"

#include "platform/code_page.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace kesmora::platform {
namespace {

template <typename String> bool IsAscii(const String& s) {
    for (const auto c : s)
        if (static_cast<std::uint32_t>(c) >= 0x80)
            return false;
    return true;
}

bool IsBlank(char16_t c) {
    return c == u' ' || c == u'\t';
}

std::u16string_view TrimBlanks(std::u16string_view s) {
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

bool IsDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

// Sign, digits with at most one decimal point, an optional exponent; nothing else.
// Infinity, NaN and hexadecimal forms are not numbers here.
bool IsDecimalNumber(std::u16string_view s) {
    std::size_t i = 0;
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-'))
        ++i;
    std::size_t digits = 0;
    bool point = false;
    for (; i < s.size(); ++i) {
        if (IsDigit(s[i]))
            ++digits;
        else if (s[i] == u'.' && !point)
            point = true;
        else
            break;
    }
    if (digits == 0)
        return false;
    if (i < s.size() && (s[i] == u'e' || s[i] == u'E')) {
        ++i;
        if (i < s.size() && (s[i] == u'+' || s[i] == u'-'))
            ++i;
        const std::size_t expStart = i;
        while (i < s.size() && IsDigit(s[i]))
            ++i;
        if (i == expStart)
            return false;
    }
    return i == s.size();
}

std::optional<double> StringToDouble(std::u16string_view s) {
    s = TrimBlanks(s);
    if (!IsDecimalNumber(s))
        return std::nullopt;
    std::string ascii(s.begin(), s.end()); // checked above: ASCII only
    const char* first = ascii.c_str();
    if (*first == '+')
        ++first;
    double value = 0;
    const auto [end, ec] = std::from_chars(first, ascii.c_str() + ascii.size(), value);
    if (end != ascii.c_str() + ascii.size())
        return std::nullopt;
    if (ec == std::errc::result_out_of_range)
        return std::nullopt;
    return value;
}

bool EqualsAsciiNoCase(std::u16string_view s, std::string_view word) {
    if (s.size() != word.size())
        return false;
    for (std::size_t i = 0; i < s.size(); ++i) {
        char16_t c = s[i];
        if (c >= u'A' && c <= u'Z')
            c = static_cast<char16_t>(c - u'A' + u'a');
        if (c != static_cast<char16_t>(word[i]))
            return false;
    }
    return true;
}

// Up to 15 significant digits, an upper-case exponent where one is needed.
std::u16string DoubleToString(double d) {
    if (d == 0)
        return u"0"; // also for -0
    if (std::isnan(d))
        return u"NaN";
    if (std::isinf(d))
        return d > 0 ? u"Infinity" : u"-Infinity";
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, d, std::chars_format::general, 15);
    std::u16string out;
    for (const char* p = buffer; p != result.ptr; ++p)
        out.push_back(static_cast<char16_t>(*p == 'e' ? 'E' : *p));
    return out;
}

std::optional<Variant> DefaultOf(const Variant& v) {
    Variant value;
    if (!v.objectValue() || !v.objectValue()->DefaultValue(&value))
        return std::nullopt;
    if (value.kind() == VariantKind::Object)
        return std::nullopt; // one level only: no cycles through default values
    return value;
}

} // namespace

Variant Variant::Null() {
    Variant v;
    v.kind_ = VariantKind::Null;
    return v;
}

// ASCII is the same in both directions, and most texts that cross are ASCII (scripts,
// JSON documents): they skip the converter.
Variant Variant::FromAnsi(const Text& text) {
    const std::string& bytes = text.str();
    if (IsAscii(bytes))
        return Variant(std::u16string(bytes.begin(), bytes.end()));
    // A character never takes more units than it has bytes: one call does.
    std::u16string wide(bytes.size(), u'\0');
    const int units = MultiByteToWideChar(kCpGbk, 0, bytes.data(), text.length(), wide.data(),
                                          static_cast<int>(wide.size()));
    wide.resize(static_cast<std::size_t>(units > 0 ? units : 0));
    return Variant(std::move(wide));
}

std::optional<bool> Variant::toBool() const {
    switch (kind_) {
    case VariantKind::Empty:
        return false;
    case VariantKind::Bool:
        return b_;
    case VariantKind::Int32:
        return i_ != 0;
    case VariantKind::Double:
        return d_ != 0;
    case VariantKind::String: {
        const std::u16string_view s = TrimBlanks(s_);
        if (EqualsAsciiNoCase(s, "true"))
            return true;
        if (EqualsAsciiNoCase(s, "false"))
            return false;
        if (const auto d = StringToDouble(s))
            return *d != 0;
        return std::nullopt;
    }
    case VariantKind::Object:
        if (const auto value = DefaultOf(*this))
            return value->toBool();
        return std::nullopt;
    default:
        return std::nullopt;
    }
}

std::optional<double> Variant::toDouble() const {
    switch (kind_) {
    case VariantKind::Empty:
        return 0.0;
    case VariantKind::Bool:
        return b_ ? -1.0 : 0.0;
    case VariantKind::Int32:
        return static_cast<double>(i_);
    case VariantKind::Double:
        return d_;
    case VariantKind::String:
        return StringToDouble(s_);
    case VariantKind::Object:
        if (const auto value = DefaultOf(*this))
            return value->toDouble();
        return std::nullopt;
    default:
        return std::nullopt;
    }
}

std::optional<std::int32_t> Variant::toInt32() const {
    if (kind_ == VariantKind::Int32)
        return i_;
    const std::optional<double> d = toDouble();
    if (!d || std::isnan(*d))
        return std::nullopt;
    const double t = std::trunc(*d);
    if (t < static_cast<double>(std::numeric_limits<std::int32_t>::min()) ||
        t > static_cast<double>(std::numeric_limits<std::int32_t>::max()))
        return std::nullopt;
    return static_cast<std::int32_t>(t);
}

std::optional<std::u16string> Variant::toString() const {
    switch (kind_) {
    case VariantKind::Empty:
        return std::u16string();
    case VariantKind::Bool:
        return std::u16string(b_ ? u"-1" : u"0");
    case VariantKind::Int32: {
        const std::string digits = std::to_string(i_);
        return std::u16string(digits.begin(), digits.end());
    }
    case VariantKind::Double:
        return DoubleToString(d_);
    case VariantKind::String:
        return s_;
    case VariantKind::Object:
        if (const auto value = DefaultOf(*this))
            return value->toString();
        return std::nullopt;
    default:
        return std::nullopt;
    }
}

bool VariantToBool(const Variant& v) {
    return v.toBool().value_or(false);
}

std::int32_t VariantToInt32(const Variant& v) {
    return v.toInt32().value_or(0);
}

double VariantToDouble(const Variant& v) {
    return v.toDouble().value_or(0.0);
}

namespace {

Text GbkFromUtf16(std::u16string_view s) {
    if (s.empty())
        return Text();
    if (IsAscii(s))
        return Text(std::string(s.begin(), s.end()));
    // A unit never takes more than two bytes (a pair of units becomes one "?").
    std::string out(s.size() * 2, '\0');
    const int bytes =
        WideCharToMultiByte(kCpGbk, 0, s.data(), static_cast<int>(s.size()), out.data(),
                            static_cast<int>(out.size()), nullptr, nullptr);
    out.resize(static_cast<std::size_t>(bytes > 0 ? bytes : 0));
    return Text(std::move(out));
}

} // namespace

Text VariantToText(const Variant& v) {
    // A string is read where it lies; a large body decoded by the text stream is
    // otherwise copied once more only to be converted.
    if (v.kind() == VariantKind::String)
        return GbkFromUtf16(v.stringValue());
    const std::optional<std::u16string> s = v.toString();
    return s ? GbkFromUtf16(*s) : Text();
}

} // namespace kesmora::platform
