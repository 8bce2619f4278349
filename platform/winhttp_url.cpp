#include "platform/winhttp.h"
#include "platform/winhttp_internal.h"

#include <string_view>

namespace kesmora::platform {
namespace {

struct Span {
    std::size_t at = 0;
    std::size_t length = 0;
    bool present = false;
};

char16_t Lower(char16_t c) {
    return c >= u'A' && c <= u'Z' ? c + (u'a' - u'A') : c;
}

bool SameAscii(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i]))
            return false;
    return true;
}

bool IsBlankOrControl(char16_t c) {
    return c <= u' ' || c == 0x7F;
}

// "1".."65535", digits only.
bool ParsePort(std::u16string_view digits, INTERNET_PORT* port) {
    if (digits.empty() || digits.size() > 5)
        return false;
    unsigned long value = 0;
    for (char16_t c : digits) {
        if (c < u'0' || c > u'9')
            return false;
        value = value * 10 + (c - u'0');
    }
    if (value < 1 || value > 65535)
        return false;
    *port = static_cast<INTERNET_PORT>(value);
    return true;
}

void Report(const char16_t* url, const Span& span, const char16_t** pointer, DWORD* length) {
    if (*length == 0)
        return; // not asked for
    *pointer = span.present ? url + span.at : nullptr;
    *length = span.present ? static_cast<DWORD>(span.length) : 0;
}

struct Parts {
    int scheme = 0;
    Span schemeName, user, password, host, path, extra;
    INTERNET_PORT port = 0;
};

// The host and port of the authority (after any user information).
bool SplitHostPort(std::u16string_view s, std::size_t base, Parts* p) {
    std::size_t hostEnd = s.size();
    if (!s.empty() && s.front() == u'[') {
        const auto close = s.find(u']');
        if (close == std::u16string_view::npos)
            return false;
        hostEnd = close + 1;
    } else {
        hostEnd = std::min(s.find(u':'), s.size());
    }
    if (hostEnd == 0)
        return false;
    p->host = {base, hostEnd, true};
    if (hostEnd == s.size())
        return true;
    if (s[hostEnd] != u':')
        return false;
    return ParsePort(s.substr(hostEnd + 1), &p->port);
}

bool SplitAuthority(std::u16string_view s, std::size_t base, Parts* p) {
    for (char16_t c : s)
        if (IsBlankOrControl(c))
            return false;
    const auto at = s.rfind(u'@');
    if (at != std::u16string_view::npos) {
        const auto info = s.substr(0, at);
        const auto colon = info.find(u':');
        p->user = {base, std::min(colon, info.size()), true};
        if (colon != std::u16string_view::npos)
            p->password = {base + colon + 1, info.size() - colon - 1, true};
        base += at + 1;
        s = s.substr(at + 1);
    }
    return SplitHostPort(s, base, p);
}

bool Split(std::u16string_view url, Parts* p) {
    const auto mark = url.find(u"://");
    if (mark == std::u16string_view::npos)
        return false;
    const auto scheme = url.substr(0, mark);
    if (SameAscii(scheme, u"http"))
        p->scheme = INTERNET_SCHEME_HTTP;
    else if (SameAscii(scheme, u"https"))
        p->scheme = INTERNET_SCHEME_HTTPS;
    else
        return false;
    p->schemeName = {0, mark, true};
    p->port = p->scheme == INTERNET_SCHEME_HTTPS ? 443 : 80;
    const std::size_t start = mark + 3;
    const std::size_t end = std::min(url.find_first_of(u"/?#", start), url.size());
    if (!SplitAuthority(url.substr(start, end - start), start, p))
        return false;
    for (char16_t c : url.substr(end))
        if (c < u' ' || c == 0x7F)
            return false;
    const std::size_t extra = std::min(url.find_first_of(u"?#", end), url.size());
    if (extra > end)
        p->path = {end, extra - end, true};
    if (extra < url.size())
        p->extra = {extra, url.size() - extra, true};
    return true;
}

} // namespace

bool WinHttpCrackUrl(const char16_t* url, DWORD urlLength, DWORD, URL_COMPONENTS* components) {
    if (!winhttp_detail::SeamAllows("WinHttpCrackUrl", std::to_string(urlLength)))
        return false;
    if (url == nullptr || components == nullptr ||
        components->dwStructSize != sizeof(URL_COMPONENTS))
        return false;
    const std::u16string_view whole =
        urlLength == 0 ? std::u16string_view(url) : std::u16string_view(url, urlLength);
    Parts parts;
    if (!Split(whole, &parts))
        return false;
    URL_COMPONENTS& c = *components;
    c.nScheme = parts.scheme;
    c.nPort = parts.port;
    Report(url, parts.schemeName, &c.lpszScheme, &c.dwSchemeLength);
    Report(url, parts.host, &c.lpszHostName, &c.dwHostNameLength);
    Report(url, parts.user, &c.lpszUserName, &c.dwUserNameLength);
    Report(url, parts.password, &c.lpszPassword, &c.dwPasswordLength);
    Report(url, parts.path, &c.lpszUrlPath, &c.dwUrlPathLength);
    Report(url, parts.extra, &c.lpszExtraInfo, &c.dwExtraInfoLength);
    return true;
}

} // namespace kesmora::platform
