#include "inet/inet.h"

namespace kesmora {

Text UrlHost(const Text& address, bool keepPort) {
    Text lowered = ToLower(address);
    if (!EndsWith(lowered, "/"))
        lowered += "/";
    Text host;
    if (Left(lowered, 8) == "https://") {
        host = TextBetween(lowered, "https://", "/");
    } else {
        // "http://" anywhere counts, even inside a query; only its absence adds one.
        if (!Contains(lowered, "http://"))
            lowered = "http://" + lowered;
        host = TextBetween(lowered, "http://", "/");
    }
    if (!keepPort && Contains(host, ":"))
        host = TextBefore(host, ":");
    return host;
}

int UrlPort(const Text& address) {
    const Text host = UrlHost(address, true);
    const int colon = FindBackward(host, ":");
    if (colon != -1)
        return ToInteger(Middle(host, colon + 1));
    return Left(ToLower(address), 5) == "https" ? 443 : 80;
}

Text UrlPath(const Text& address) {
    const Text host = UrlHost(address, false);
    const int hostAt = Find(address, host, 1, true);
    if (hostAt == -1)
        return "/";
    const int slash = Find(address, "/", hostAt, true);
    if (slash == -1)
        return "/";
    return Middle(address, slash);
}

} // namespace kesmora
