// Address splitting on arbitrary addresses: no crash, no zero bytes, the host is no
// longer than the address and in lower case, the path begins with "/" and is no longer
// than the address (or is "/").
#include "fuzz/inet/fuzz_check.h"
#include "inet/inet.h"

#include <cstddef>
#include <cstdint>

using namespace kesmora;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Text address(reinterpret_cast<const char*>(data), size);
    const Text host = UrlHost(address);
    const Text hostWithPort = UrlHost(address, true);
    const Text path = UrlPath(address);
    const int port = UrlPort(address);

    fuzz::RequireNoZero(host, "zero byte in the host");
    fuzz::RequireNoZero(path, "zero byte in the path");
    fuzz::Require(hostWithPort.size() <= address.size(), "host longer than the address");
    fuzz::Require(StartsWith(hostWithPort, host), "host is not the start of host with port");
    fuzz::Require(ToLower(hostWithPort) == hostWithPort, "host not in lower case");
    fuzz::Require(StartsWith(path, "/"), "path does not begin with /");
    fuzz::Require(path.size() <= address.size() || path == "/", "path longer than the address");
    fuzz::Require(path == "/" || EndsWith(address, path), "path is not the end of the address");
    fuzz::Require(port >= 0, "negative port");
    fuzz::Require(Contains(hostWithPort, ":") || port == 80 || port == 443,
                  "default port other than 80 or 443");
    return 0;
}
