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

namespace {

// The walk with a first byte that has one form: memchr finds each candidate, and the
// pair rule decides whether the walk would stand on it. From a character start i, a
// byte below 0x80 at q - 1 >= i always ends a character (a single byte or a trail), so
// q starts one; the bytes from q up to the candidate are all lead-range bytes, which
// the walk takes two at a time. Every byte is looked at a bounded number of times.
std::size_t WalkFindByFirstByte(std::string_view s, std::size_t from, std::string_view needle,
                                bool ignoreCase) {
    const std::size_t last = s.size() - needle.size();
    const char* base = s.data();
    std::size_t i = from; // always a character start of the walk
    while (i <= last) {
        const void* hit = std::memchr(base + i, needle[0], last - i + 1);
        if (hit == nullptr)
            return std::string_view::npos;
        const std::size_t p = static_cast<std::size_t>(static_cast<const char*>(hit) - base);
        std::size_t q = p;
        while (q > i && IsLeadByte(static_cast<unsigned char>(s[q - 1])))
            --q;
        if ((p - q) % 2 != 0) {
            i = p + 1; // p is the trail byte of the pair at p - 1
            continue;
        }
        if (MatchesAt(s, p, needle, ignoreCase))
            return p;
        i = p + CharWidth(s, p);
    }
    return std::string_view::npos;
}

} // namespace

std::size_t WalkFind(std::string_view s, std::size_t from, std::string_view needle,
                     bool ignoreCase) {
    if (needle.empty() || needle.size() > s.size())
        return std::string_view::npos;
    const unsigned char first = static_cast<unsigned char>(needle[0]);
    const bool firstIsLetter = FoldAscii(first) != first || (first >= 'a' && first <= 'z');
    if (!ignoreCase || !firstIsLetter)
        return WalkFindByFirstByte(s, from, needle, ignoreCase);
    const std::size_t last = s.size() - needle.size();
    for (std::size_t i = from; i <= last; i += CharWidth(s, i)) {
        // Cheap rejection on the first byte before the full comparison.
        if (FoldAscii(static_cast<unsigned char>(s[i])) != FoldAscii(first))
            continue;
        if (MatchesAt(s, i, needle, ignoreCase))
            return i;
    }
    return std::string_view::npos;
}

} // namespace detail

namespace {

// 0-based start for a 1-based caller position; positions below 1 mean the first byte.
std::size_t StartIndex(int start) {
    return start < 1 ? 0 : static_cast<std::size_t>(start - 1);
}

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
