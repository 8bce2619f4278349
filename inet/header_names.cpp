#include "inet/inet.h"

namespace kesmora {

namespace {

// Capitalises each "-"-separated word of a header name. Split drops a final empty
// piece, so a name ending in "-" comes back one byte short and gets its "-" again.
Text CapitalizeWords(const Text& name) {
    TextArray words = Split(name, "-");
    for (Text& word : words)
        word = CapitalizeFirst(word);
    Text joined = Join(words, "-");
    if (joined.length() < name.length())
        joined += "-";
    return joined;
}

} // namespace

Text CapitalizeFirst(const Text& text) {
    if (text.empty() || text.at(0) < 'a' || text.at(0) > 'z')
        return text;
    return ToUpper(Left(text, 1)) + Middle(text, 2);
}

Text NormalizeHeaderNames(const Text& block) {
    TextArray lines;
    for (const Text& line : Split(block, "\r\n")) {
        const int colon = Find(line, ":");
        if (colon == -1)
            continue;
        lines.push_back(CapitalizeWords(Left(line, colon - 1)) + Middle(line, colon));
    }
    return Join(lines, "\r\n");
}

} // namespace kesmora
