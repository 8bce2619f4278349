#include "app/services/services.h"

#include "platform/iconv_codec.h"

#include <string>

namespace kesmora {
namespace {

constexpr int kMaxAttempts = 12;
constexpr std::size_t kGrowthExtra = 128;

// Room for the usual conversions in one go (ASCII to UTF-16 doubles the size).
std::size_t FirstEstimate(std::size_t inputSize) {
    return inputSize * 2 + 16;
}

} // namespace

Bytes ConvertEncoding(const Bytes& bytes, const Text& from, const Text& to) {
    using Status = platform::IconvCodec::Status;
    if (bytes.empty())
        return Bytes();
    platform::IconvCodec codec(to.c_str(), from.c_str());
    if (!codec.ok())
        return Bytes();
    const char* input = bytes.str().data();
    const std::size_t estimate = FirstEstimate(bytes.size());
    std::string out(estimate, '\0');
    std::size_t read = 0, used = 0;
    bool converted = false;
    for (int attempt = 0; attempt < kMaxAttempts; ++attempt) {
        if (!converted) {
            const platform::IconvCodec::Step step = codec.Convert(
                input + read, bytes.size() - read, out.data() + used, out.size() - used);
            read += step.read;
            used += step.written;
            if (step.status == Status::OutputFull) {
                out.resize(out.size() + estimate / 2 + kGrowthExtra);
                continue;
            }
            if (step.status != Status::Done)
                return Bytes(); // all or nothing: no partial result
            converted = true;
        }
        // Everything is read; a stateful target may still need its closing sequence.
        const platform::IconvCodec::Step step = codec.Finish(out.data() + used, out.size() - used);
        used += step.written;
        if (step.status == Status::Done) {
            out.resize(used);
            return Bytes(std::move(out));
        }
        if (step.status != Status::OutputFull)
            return Bytes();
        out.resize(out.size() + estimate / 2 + kGrowthExtra);
    }
    return Bytes();
}

} // namespace kesmora
