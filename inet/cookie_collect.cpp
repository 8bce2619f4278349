#include "inet/inet.h"

namespace kesmora {

Text CollectSetCookies(const Text& block) {
    Text collected;
    for (const Text& line : Split(block, "\r\n")) {
        // Only the exact name: a lower-case "set-cookie" line is not collected.
        if (TextBefore(line, ": ") != "Set-Cookie")
            continue;
        Text item;
        if (Contains(line, ";"))
            item = Trim(TextBetween(line, "Set-Cookie:", ";"));
        else
            item = Trim(Replace(line, "Set-Cookie:", "", true));
        collected += item + "; ";
    }
    return Left(collected, collected.length() - 2);
}

} // namespace kesmora
