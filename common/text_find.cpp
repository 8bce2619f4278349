#include "common/text.h"
#include "common/text_walk.h"

#include <cstring>

namespace kesmora {
namespace detail {

bool MatchesAt(std::string_view s, std::size_t i, std::string_view needle, bool ignoreCase) {
    if (needle.size() > s.size() - i)
        return false;
    if (!ignoreCase)
        return std::memcmp(s.data() + i, needle.data(), needle.size()) == 0;
    for (std::size_t k = 0; k < needle.size(); ++k) {
        if (FoldAscii(static_cast<unsigned char>(s[i + k])) !=
            FoldAscii(static_cast<unsigned char>(needle[k])))
            return false;
    }
    return true;
}

std::size_t WalkFind(std::string_view s, std::size_t from, std::string_view needle,
                     bool ignoreCase) {
    if (needle.empty() || needle.size() > s.size())
        return std::string_view::npos;
    const std::size_t last = s.size() - needle.size();
    const unsigned char first = static_cast<unsigned char>(needle[0]);
    const bool firstIsLetter = FoldAscii(first) != first || (first >= 'a' && first <= 'z');
    for (std::size_t i = from; i <= last; i += CharWidth(s, i)) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        // Cheap rejection on the first byte before the full comparison.
        if (c != first && !(ignoreCase && firstIsLetter && FoldAscii(c) == FoldAscii(first)))
            continue;
        if (MatchesAt(s, i, needle, ignoreCase))
            return i;
    }
    return std::string_view::npos;
}

} // namespace detail

namespace {

// 0-based start for a 1-based caller position; positions below 1 mean the first byte.
std::size_t StartIndex(int start) { return start < 1 ? 0 : static_cast<std::size_t>(start - 1); }

} // namespace

int Find(const Text& text, const Text& needle, int start, bool ignoreCase) {
    const std::size_t from = StartIndex(start);
    if (from >= text.size())
        return -1;
    if (needle.empty())
        return 1;
    const std::size_t at = detail::WalkFind(text.view(), from, needle.view(), ignoreCase);
    return at == std::string_view::npos ? -1 : static_cast<int>(at + 1);
}

int FindBackward(const Text& text, const Text& needle, int start, bool ignoreCase) {
    const std::size_t from = StartIndex(start);
    if (from >= text.size())
        return -1;
    if (needle.empty())
        return 1;
    int found = -1;
    std::size_t i = from;
    for (;;) {
        const std::size_t at = detail::WalkFind(text.view(), i, needle.view(), ignoreCase);
        if (at == std::string_view::npos)
            return found;
        found = static_cast<int>(at + 1);
        // Go on from the next character after this match's first one.
        i = at + detail::CharWidth(text.view(), at);
    }
}

bool Contains(const Text& text, const Text& needle, bool ignoreCase) {
    return Find(text, needle, 1, ignoreCase) != -1;
}

bool StartsWith(const Text& text, const Text& prefix) {
    return text.view().substr(0, prefix.size()) == prefix.view();
}

bool EndsWith(const Text& text, const Text& suffix) {
    return text.size() >= suffix.size() &&
           text.view().substr(text.size() - suffix.size()) == suffix.view();
}

} // namespace kesmora
