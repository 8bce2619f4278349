// Find, FindBackward, Split and Replace against a reference walk written from the
// rules alone: mark every character start reachable from the start position (a byte
// of 0x80 or above takes the next byte with it), then look for matches only there.
// Input: a header byte (start position, case flag) and three parts split at 0xFF 0x00
// (rarely in texts, so the parts themselves keep every other byte).
#include "common/text.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using kesmora::Text;
using kesmora::TextArray;

void Check(bool condition) {
    if (!condition)
        std::abort();
}

std::vector<std::size_t> CharStarts(const std::string& s, std::size_t from) {
    std::vector<std::size_t> starts;
    for (std::size_t i = from; i < s.size(); i += static_cast<unsigned char>(s[i]) >= 0x80 ? 2 : 1)
        starts.push_back(i);
    return starts;
}

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}

bool EqualAt(const std::string& s, std::size_t i, const std::string& needle, bool ignoreCase) {
    if (i + needle.size() > s.size())
        return false;
    for (std::size_t k = 0; k < needle.size(); ++k)
        if (ignoreCase ? Lower(s[i + k]) != Lower(needle[k]) : s[i + k] != needle[k])
            return false;
    return true;
}

std::vector<std::size_t> Matches(const std::string& s, std::size_t from, const std::string& needle,
                                 bool ignoreCase) {
    std::vector<std::size_t> found;
    for (std::size_t i : CharStarts(s, from))
        if (EqualAt(s, i, needle, ignoreCase))
            found.push_back(i);
    return found;
}

int ReferenceFind(const std::string& s, const std::string& needle, int start, bool ignoreCase,
                  bool last) {
    const std::size_t from = start < 1 ? 0 : static_cast<std::size_t>(start - 1);
    if (from >= s.size())
        return -1;
    if (needle.empty())
        return 1;
    const std::vector<std::size_t> m = Matches(s, from, needle, ignoreCase);
    if (m.empty())
        return -1;
    return static_cast<int>((last ? m.back() : m.front()) + 1);
}

std::vector<std::string> Pieces(const std::string& s, const std::string& d, bool ignoreCase) {
    std::vector<std::string> pieces;
    std::size_t from = 0;
    for (;;) {
        const std::vector<std::size_t> m = Matches(s, from, d, ignoreCase);
        if (m.empty())
            break;
        pieces.push_back(s.substr(from, m.front() - from));
        from = m.front() + d.size();
    }
    pieces.push_back(s.substr(from));
    return pieces;
}

TextArray ReferenceSplit(const std::string& s, const std::string& d) {
    if (s.empty())
        return {};
    if (d.empty())
        return {Text(s)};
    std::vector<std::string> pieces = Pieces(s, d, false);
    if (pieces.back().empty())
        pieces.pop_back();
    return TextArray(pieces.begin(), pieces.end());
}

Text ReferenceReplace(const std::string& s, const std::string& from, const std::string& to,
                      bool ignoreCase) {
    if (from.empty())
        return Text(s);
    const std::vector<std::string> pieces = Pieces(s, from, ignoreCase);
    std::string out = pieces.front();
    for (std::size_t k = 1; k < pieces.size(); ++k)
        out += to + pieces[k];
    return Text(out);
}

// Parts of the input, each cut at its first zero like a Text.
std::vector<std::string> Parts(const std::string& body) {
    std::vector<std::string> parts;
    std::size_t from = 0;
    for (int k = 0; k < 2; ++k) {
        const std::size_t at = body.find(std::string("\xFF\0", 2), from);
        if (at == std::string::npos)
            break;
        parts.push_back(body.substr(from, at - from));
        from = at + 2;
    }
    parts.push_back(body.substr(from));
    parts.resize(3);
    for (std::string& p : parts)
        p = Text(p).str();
    return parts;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1 || size > 2048)
        return 0;
    const int start = static_cast<int>(data[0] & 0x7F) - 2;
    const bool ignoreCase = (data[0] & 0x80) != 0;
    const std::vector<std::string> parts =
        Parts(std::string(reinterpret_cast<const char*>(data) + 1, size - 1));
    const std::string &s = parts[0], &needle = parts[1], &to = parts[2];
    const Text text(s), find(needle), with(to);

    Check(kesmora::Find(text, find, start, ignoreCase) ==
          ReferenceFind(s, needle, start, ignoreCase, false));
    Check(kesmora::FindBackward(text, find, start, ignoreCase) ==
          ReferenceFind(s, needle, start, ignoreCase, true));
    Check(kesmora::Split(text, find) == ReferenceSplit(s, needle));
    Check(kesmora::Replace(text, find, with, ignoreCase) ==
          ReferenceReplace(s, needle, to, ignoreCase));
    return 0;
}
