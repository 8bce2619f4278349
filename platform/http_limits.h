// The limits every HTTP exchange of the program runs under, in one place. The platform
// the request routines were written for had finite defaults of its own; here they are
// explicit, and a few bounds it lacked keep a hostile or broken server from holding the
// window thread or the memory without end.
//
// The program never reads any of these, nor a certificate store, from outside (no
// environment variable, no file). Tests lower them through the seam below before they
// start an exchange; the values are read when an exchange starts.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>

namespace kesmora::platform {

struct HttpLimits {
    // Name resolution, TCP connect, proxy negotiation and TLS handshake together, when
    // the caller sets no limit of its own. Long enough for a slow mobile route, short
    // enough that an unreachable host does not look like a hung window.
    std::chrono::milliseconds connect{30000};

    // Less than one byte a second sent or received for this long ends the exchange,
    // when the caller sets no limit of its own: a server that accepts and stays silent,
    // stops in the middle of a body, or trickles its header block in (header bytes do
    // not count as progress). Whole seconds; less than one counts as one.
    std::chrono::milliseconds noProgress{30000};

    // One whole exchange, redirects included, whatever the caller's own limits say: a
    // server that drips a byte now and then never trips the no-progress limit.
    std::chrono::milliseconds total{120000};

    // Largest response body. Far above any record, picture or page the program
    // fetches; a larger body fails the exchange and nothing of it is used (an endless
    // body ends here).
    std::size_t maxBody = std::size_t{64} << 20;

    // Largest response header block of one response. Real blocks take a few KiB (even
    // ten thousand short Set-Cookie lines fit); an endless block ends here, before
    // libcurl's own refusal at 300 KiB would report it as a broken response.
    std::size_t maxHeaderBlock = std::size_t{256} << 10;

    // Redirects followed in one exchange before it fails, as the platform's own
    // default; a redirect loop ends here.
    long maxRedirects = 10;
};

namespace detail {
inline HttpLimits& MutableHttpLimits() {
    static HttpLimits limits;
    return limits;
}
inline std::string& MutableTrustedCaFile() {
    static std::string file;
    return file;
}
} // namespace detail

// The limits in force.
inline const HttpLimits& CurrentHttpLimits() {
    return detail::MutableHttpLimits();
}

// The CA certificate file that replaces the system's CA bundle; empty (the program's
// only value) means the system's store.
inline const std::string& TrustedCaFile() {
    return detail::MutableTrustedCaFile();
}

// --- test seam: only tests call these, before any exchange runs ------------------------

inline void SetHttpLimitsForTesting(const HttpLimits& limits) {
    detail::MutableHttpLimits() = limits;
}
inline void ResetHttpLimitsForTesting() {
    detail::MutableHttpLimits() = HttpLimits{};
}

// Trusts the certificates of `caFile` (PEM) instead of the system's bundle, so that a
// loopback server with a test certificate can be verified; "" returns to the system's.
// Verification itself can never be turned off.
inline void SetTrustedCaFileForTesting(const std::string& caFile) {
    detail::MutableTrustedCaFile() = caFile;
}

} // namespace kesmora::platform
