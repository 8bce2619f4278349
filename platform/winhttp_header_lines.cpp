#include "platform/winhttp_internal.h"

#include <string_view>

namespace kesmora::platform::winhttp_detail {
namespace {

// One header line is a token name, a colon and a value without CR, LF or zero.
bool ValidHeaderLine(std::string_view line) {
    const auto colon = line.find(':');
    if (colon == 0 || colon == std::string_view::npos)
        return false;
    for (char c : line.substr(0, colon))
        if (!IsTokenChar(c))
            return false;
    return line.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

} // namespace

bool IsTokenChar(char c) {
    static const std::string_view kSeparators = "()<>@,;:\\\"/[]?={} \t";
    const auto u = static_cast<unsigned char>(c);
    return u > 0x20 && u < 0x7F && kSeparators.find(c) == std::string_view::npos;
}

// Appends the block's lines to `headers`; false (and nothing appended) when one is bad.
bool AppendHeaderLines(const std::string& block, std::string* headers) {
    std::string accepted;
    std::size_t at = 0;
    while (at < block.size()) {
        const auto end = std::min(block.find("\r\n", at), block.size());
        const std::string_view line(block.data() + at, end - at);
        at = end + 2;
        if (line.empty())
            continue;
        if (!ValidHeaderLine(line))
            return false;
        accepted.append(line).append("\r\n");
    }
    headers->append(accepted);
    return true;
}

} // namespace kesmora::platform::winhttp_detail
