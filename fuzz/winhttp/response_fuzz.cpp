// Response processing of the WinHTTP routine on hostile header blocks and bodies.
// Input: one flag byte (bit 0: merge, bit 1: caller's cookies, bit 2: caller's received
// cookies), two bytes of header-block length, the header block, then the body.
#include "winhttp/winhttp.h"

#include <cstdint>
#include <cstdlib>

namespace {

void Check(bool condition) {
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kesmora;
    if (size < 3)
        return 0;
    const std::uint8_t flags = data[0];
    const std::size_t headerLength = std::min<std::size_t>(data[1] | data[2] << 8, size - 3);
    const Text headers(reinterpret_cast<const char*>(data + 3), headerLength);
    const Bytes body(data + 3 + headerLength, size - 3 - headerLength);

    RegexObject regex;
    Text cookies = (flags & 2) ? Text("a=1; b=2") : Text();
    Text received = (flags & 4) ? Text("x=9; ") : Text();
    Text rawHeaders, status, location = "kept";
    Bytes responseBody;
    const WinHttpOutputs out{&cookies, &received, &rawHeaders, &status, &location, &responseBody};
    const Text result = ProcessWinHttpResponse(headers, body, (flags & 1) != 0, regex, out);

    Check(rawHeaders == headers);
    Check(responseBody == body);
    // Byte-wise: status and location are cut at byte positions, and the walk that ends
    // the status line takes a lead byte with the CR after it, so no check on its end.
    const std::string& block = headers.str();
    Check(block.find(status.str()) != std::string::npos);
    Check(location == Text("kept") || block.find(location.str()) != std::string::npos);
    if ((flags & 1) && (flags & 2))
        Check(cookies == received);
    // Re-decoding makes a few GBK bytes at most of each body byte (a charset may map one
    // byte to several characters).
    Check(result.size() <= 8 * body.size());
    return 0;
}
