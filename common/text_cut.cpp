#include "common/text.h"
#include "common/text_walk.h"

namespace kesmora {

Text Left(const Text& text, int n) {
    if (n <= 0)
        return Text();
    return Text(text.view().substr(0, static_cast<std::size_t>(n)));
}

Text Right(const Text& text, int n) {
    if (n <= 0)
        return Text();
    const std::size_t k = static_cast<std::size_t>(n);
    if (k >= text.size())
        return text;
    return Text(text.view().substr(text.size() - k));
}

Text Middle(const Text& text, int start, int n) {
    if (n <= 0 || start < 1 || static_cast<std::size_t>(start) > text.size())
        return Text();
    return Text(text.view().substr(static_cast<std::size_t>(start - 1), static_cast<std::size_t>(n)));
}

Text Middle(const Text& text, int start) {
    if (start < 1 || static_cast<std::size_t>(start) > text.size())
        return Text();
    return Text(text.view().substr(static_cast<std::size_t>(start - 1)));
}

TextArray Split(const Text& text, const Text& delimiter) {
    TextArray pieces;
    if (text.empty())
        return pieces;
    if (delimiter.empty()) {
        pieces.push_back(text);
        return pieces;
    }
    const std::string_view s = text.view();
    std::size_t pieceStart = 0;
    for (;;) {
        const std::size_t at = detail::WalkFind(s, pieceStart, delimiter.view(), false);
        if (at == std::string_view::npos)
            break;
        pieces.emplace_back(s.substr(pieceStart, at - pieceStart));
        pieceStart = at + delimiter.size();
    }
    // The final piece is dropped when empty: a text ending with the delimiter adds none.
    if (pieceStart < s.size())
        pieces.emplace_back(s.substr(pieceStart));
    return pieces;
}

Text Join(const TextArray& items, const Text& delimiter) {
    std::string out;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i > 0)
            out += delimiter.str();
        out += items[i].str();
    }
    return Text(out);
}

Text Replace(const Text& text, const Text& from, const Text& to, bool ignoreCase) {
    if (from.empty() || text.empty())
        return text;
    const std::string_view s = text.view();
    std::string out;
    out.reserve(s.size());
    std::size_t copied = 0;
    for (;;) {
        const std::size_t at = detail::WalkFind(s, copied, from.view(), ignoreCase);
        if (at == std::string_view::npos)
            break;
        out.append(s.substr(copied, at - copied));
        out += to.str();
        copied = at + from.size();
    }
    out.append(s.substr(copied));
    return Text(out);
}

Text Concat(std::initializer_list<Text> parts) {
    std::string out;
    for (const Text& part : parts)
        out += part.str();
    return Text(out);
}

} // namespace kesmora
