// Shared by the WinHTTP-style stand-in's own files only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kesmora::platform::winhttp_detail {

// Reports a call to the test seam's observer; false when the seam makes it fail.
bool SeamAllows(const char* call, const std::string& values);

// One entry of a proxy list: "scheme=host:port" or a bare "host:port" (port 80 when
// missing, a bracketed IPv6 address allowed).
struct ProxyEntry {
    std::string scheme; // "http", "https" or "" for every scheme
    std::string host;
    std::uint16_t port = 80;
};

// Entries separated by spaces, tabs or ";"; unreadable ones are skipped.
std::vector<ProxyEntry> ParseProxyList(const std::string& list);
// The entry for the scheme, else a bare one, else none (a direct connection).
const ProxyEntry* ChooseProxyEntry(const std::vector<ProxyEntry>& entries, bool secure);

// A header name character (an HTTP token character).
bool IsTokenChar(char c);
// Appends the "\r\n"-separated lines of `block` to `headers`, each ended by "\r\n",
// skipping empty lines; false, and nothing appended, when a line has no colon, a bad
// name, or a CR, LF or zero byte inside it.
bool AppendHeaderLines(const std::string& block, std::string* headers);

} // namespace kesmora::platform::winhttp_detail
