#include "platform/winhttp_internal.h"

#include <string_view>

namespace kesmora::platform::winhttp_detail {
namespace {

bool ParseHostPort(std::string_view s, ProxyEntry* entry) {
    std::size_t colon = s.rfind(':');
    if (!s.empty() && s.front() == '[') { // [v6]:port
        const auto close = s.find(']');
        if (close == std::string_view::npos)
            return false;
        entry->host = std::string(s.substr(1, close - 1));
        colon = close + 1 < s.size() && s[close + 1] == ':' ? close + 1 : std::string_view::npos;
    } else {
        entry->host = std::string(s.substr(0, colon));
    }
    if (entry->host.empty())
        return false;
    if (colon == std::string_view::npos)
        return true;
    unsigned long port = 0;
    for (char c : s.substr(colon + 1)) {
        if (c < '0' || c > '9' || (port = port * 10 + (c - '0')) > 65535)
            return false;
    }
    entry->port = static_cast<std::uint16_t>(port);
    return port > 0;
}

std::string LowerAscii(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return s;
}

} // namespace

std::vector<ProxyEntry> ParseProxyList(const std::string& list) {
    std::vector<ProxyEntry> entries;
    std::size_t at = 0;
    while (at < list.size()) {
        const std::size_t end = std::min(list.find_first_of("; \t", at), list.size());
        std::string_view item(list.data() + at, end - at);
        at = end + 1;
        ProxyEntry entry;
        if (const auto eq = item.find('='); eq != std::string_view::npos) {
            entry.scheme = LowerAscii(std::string(item.substr(0, eq)));
            item = item.substr(eq + 1);
        }
        if (!item.empty() && ParseHostPort(item, &entry))
            entries.push_back(std::move(entry));
    }
    return entries;
}

const ProxyEntry* ChooseProxyEntry(const std::vector<ProxyEntry>& entries, bool secure) {
    const char* scheme = secure ? "https" : "http";
    for (const auto& entry : entries)
        if (entry.scheme == scheme)
            return &entry;
    for (const auto& entry : entries)
        if (entry.scheme.empty())
            return &entry;
    return nullptr;
}

} // namespace kesmora::platform::winhttp_detail
