#include "common/text.h"
#include "common/text_walk.h"

namespace kesmora {
namespace {

template <typename Change>
Text ChangeAsciiCase(const Text& text, Change change) {
    std::string out = text.str();
    for (std::size_t i = 0; i < out.size(); i += detail::CharWidth(out, i)) {
        const unsigned char c = static_cast<unsigned char>(out[i]);
        if (!detail::IsLeadByte(c))
            out[i] = static_cast<char>(change(c));
    }
    return Text(out);
}

} // namespace

Text ToUpper(const Text& text) {
    return ChangeAsciiCase(text, [](unsigned char c) {
        return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 32) : c;
    });
}

Text ToLower(const Text& text) { return ChangeAsciiCase(text, detail::FoldAscii); }

Text Trim(const Text& text) {
    std::string_view s = text.view();
    for (;;) {
        if (!s.empty() && s.front() == ' ')
            s.remove_prefix(1);
        else if (s.size() >= 2 && s.substr(0, 2) == "\xA1\xA1")
            s.remove_prefix(2);
        else
            break;
    }
    for (;;) {
        if (!s.empty() && s.back() == ' ')
            s.remove_suffix(1);
        else if (s.size() >= 2 && s.substr(s.size() - 2) == "\xA1\xA1")
            s.remove_suffix(2);
        else
            break;
    }
    return Text(s);
}

int ToInteger(const Text& text) {
    std::size_t i = 0;
    while (i < text.size() && (text.at(i) == ' ' || text.at(i) == '\t'))
        ++i;
    long long value = 0;
    for (; i < text.size() && text.at(i) >= '0' && text.at(i) <= '9'; ++i) {
        value = value * 10 + (text.at(i) - '0');
        if (value > 0x7FFFFFFF)
            return 0x7FFFFFFF;
    }
    return static_cast<int>(value);
}

int Compare(const Text& a, const Text& b) {
    const int r = a.str().compare(b.str());
    return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

} // namespace kesmora
