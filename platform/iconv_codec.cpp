#include "platform/iconv_codec.h"

#include <cerrno>
#include <cstring>
#include <iconv.h>

namespace kesmora::platform {
namespace {

iconv_t Descriptor(void* handle) {
    return static_cast<iconv_t>(handle);
}

IconvCodec::Status FromErrno(int error) {
    switch (error) {
    case E2BIG:
        return IconvCodec::Status::OutputFull;
    case EINVAL:
        return IconvCodec::Status::Incomplete;
    default: // EILSEQ, and anything unexpected: stop as at a bad sequence
        return IconvCodec::Status::Invalid;
    }
}

// Only plain names: an empty name would pick the locale's encoding, and a "//" suffix
// would switch on transliteration or skipping, which the callers never want.
bool IsPlainName(const char* name) {
    return name != nullptr && name[0] != '\0' && std::strchr(name, '/') == nullptr;
}

} // namespace

IconvCodec::IconvCodec(const char* to, const char* from) {
    if (!IsPlainName(to) || !IsPlainName(from))
        return;
    iconv_t cd = iconv_open(to, from);
    if (cd != reinterpret_cast<iconv_t>(-1))
        handle_ = cd;
}

IconvCodec::~IconvCodec() {
    if (handle_ != nullptr)
        iconv_close(Descriptor(handle_));
}

IconvCodec::Step IconvCodec::Convert(const char* input, std::size_t inSize, char* output,
                                     std::size_t outSize) {
    Step step;
    if (handle_ == nullptr) {
        step.status = Status::Invalid;
        return step;
    }
    if (inSize == 0)
        return step;
    char* in = const_cast<char*>(input); // iconv's historical signature; never written
    std::size_t inLeft = inSize;
    char none = 0;
    const std::size_t room = output != nullptr ? outSize : 0;
    char* out = output != nullptr ? output : &none;
    std::size_t outLeft = room;
    errno = 0;
    const std::size_t r = iconv(Descriptor(handle_), &in, &inLeft, &out, &outLeft);
    const int error = errno;
    step.read = inSize - inLeft;
    step.written = room - outLeft;
    if (r == static_cast<std::size_t>(-1))
        step.status = FromErrno(error);
    return step;
}

IconvCodec::Step IconvCodec::Finish(char* output, std::size_t outSize) {
    Step step;
    if (handle_ == nullptr) {
        step.status = Status::Invalid;
        return step;
    }
    char none = 0;
    const std::size_t room = output != nullptr ? outSize : 0;
    char* out = output != nullptr ? output : &none;
    std::size_t outLeft = room;
    errno = 0;
    const std::size_t r = iconv(Descriptor(handle_), nullptr, nullptr, &out, &outLeft);
    const int error = errno;
    step.written = room - outLeft;
    if (r == static_cast<std::size_t>(-1))
        step.status = FromErrno(error);
    return step;
}

void IconvCodec::Reset() {
    if (handle_ != nullptr)
        iconv(Descriptor(handle_), nullptr, nullptr, nullptr, nullptr);
}

} // namespace kesmora::platform
