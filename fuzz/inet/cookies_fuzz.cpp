// Cookie collection and merging on arbitrary header blocks and cookie texts. The first
// zero byte of the input (or its middle) divides it into a response header block and
// the sent cookie text.
#include "fuzz/inet/fuzz_check.h"
#include "inet/inet.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

using namespace kesmora;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const char* bytes = reinterpret_cast<const char*>(data);
    const void* zero = std::memchr(bytes, 0, size);
    const std::size_t cut = zero != nullptr
                                ? static_cast<std::size_t>(static_cast<const char*>(zero) - bytes)
                                : size / 2;
    const Text block(bytes, cut);
    const std::size_t sentStart = cut < size && zero != nullptr ? cut + 1 : cut;
    const Text sentInput(bytes + sentStart, size - sentStart);

    const Text received = CollectSetCookies(block);
    fuzz::RequireNoZero(received, "zero byte in collected cookies");
    fuzz::Require(received.size() <= block.size(), "collected cookies longer than the block");

    Text sent = sentInput;
    const Text merged = MergeCookies(sent, received);
    fuzz::RequireNoZero(merged, "zero byte in merged cookies");
    fuzz::Require(sent == merged, "sent variable does not hold the merged text");
    // Every merged item comes from one of the two texts, each at most once.
    fuzz::Require(merged.size() <= sentInput.size() + received.size() + 4,
                  "merged cookies longer than their sources");
    for (const Text& item : Split(merged, "; "))
        fuzz::Require(!EndsWith(item, "=deleted"), "a deleted item survived");
    return 0;
}
