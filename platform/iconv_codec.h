// One converter between two named encodings (names as iconv knows them: "UTF-8",
// "GBK", "UTF-16LE", ...), the only door to the C library's iconv. The library's errno
// is read once, in Convert, and reported as a Status.
//
// Convert never loops: it converts as far as it can and says why it stopped. Loops
// built on it must make progress themselves: on Invalid or Incomplete skip or give
// up, on OutputFull grow the output (a step that reports OutputFull with nothing
// written needs more room than was offered).
#pragma once

#include <cstddef>

namespace kesmora::platform {

class IconvCodec {
public:
    enum class Status {
        Done,       // the whole input was converted
        OutputFull, // stopped because the output has no room for the next character
        Invalid,    // stopped at a sequence that is invalid or has no equivalent in `to`
        Incomplete, // stopped at a sequence cut off by the end of the input
    };
    struct Step {
        Status status = Status::Done;
        std::size_t read = 0;    // input bytes consumed; the stop lies right after them
        std::size_t written = 0; // output bytes produced
    };

    // Opens a strict converter (no transliteration, nothing skipped). Unknown names,
    // empty names and names with an iconv "//" suffix leave it not ok; then every
    // Convert reports Invalid with nothing read.
    IconvCodec(const char* to, const char* from);
    ~IconvCodec();
    IconvCodec(const IconvCodec&) = delete;
    IconvCodec& operator=(const IconvCodec&) = delete;

    bool ok() const { return handle_ != nullptr; }

    // Converts input[0..inSize) into output[0..outSize). Null input with inSize 0 is
    // an empty input.
    Step Convert(const char* input, std::size_t inSize, char* output, std::size_t outSize);
    // Writes what a stateful target needs to return to its initial state (nothing for
    // the encodings the program uses); Done, or OutputFull when it does not fit.
    Step Finish(char* output, std::size_t outSize);
    // Back to the initial state, forgetting any partial input.
    void Reset();

private:
    void* handle_ = nullptr;
};

} // namespace kesmora::platform
