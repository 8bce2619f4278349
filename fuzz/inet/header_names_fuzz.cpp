// NormalizeHeaderNames on arbitrary header blocks: no crash, no growth, every line kept
// has a colon, and a second pass changes nothing.
#include "fuzz/inet/fuzz_check.h"
#include "inet/inet.h"

#include <cstddef>
#include <cstdint>

using namespace kesmora;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Text block(reinterpret_cast<const char*>(data), size);
    const Text normalized = NormalizeHeaderNames(block);
    fuzz::RequireNoZero(normalized, "zero byte in the normalized block");
    fuzz::Require(normalized.size() <= block.size(), "normalized block longer than its input");
    for (const Text& line : Split(normalized, "\r\n"))
        fuzz::Require(Contains(line, ":"), "a line without a colon survived");
    fuzz::Require(NormalizeHeaderNames(normalized) == normalized, "second pass changed the block");
    // The agent and default headers are built from the same block.
    fuzz::RequireNoZero(RequestAgent(normalized), "zero byte in the agent");
    const Text completed = CompleteRequestHeaders(normalized, "http://h/", 1);
    fuzz::Require(StartsWith(completed, normalized), "completion did not keep the block first");
    return 0;
}
