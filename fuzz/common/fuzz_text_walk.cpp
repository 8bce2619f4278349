// Find, FindBackward, Split and Replace against the reference walk in
// tests/common/text_reference.h. Input: a header byte (start position, case flag) and
// three parts split at 0xFF 0x00 (rarely in texts, so the parts themselves keep every
// other byte).
#include "common/text.h"
#include "tests/common/text_reference.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using kesmora::Text;
namespace reference = kesmora::test::reference;

void Check(bool condition) {
    if (!condition)
        std::abort();
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
          reference::Find(s, needle, start, ignoreCase, false));
    Check(kesmora::FindBackward(text, find, start, ignoreCase) ==
          reference::Find(s, needle, start, ignoreCase, true));
    Check(kesmora::Split(text, find) == reference::Split(s, needle));
    Check(kesmora::Replace(text, find, with, ignoreCase) ==
          reference::Replace(s, needle, to, ignoreCase));
    return 0;
}
