#include "common/text.h"

#include <cstring>
#include <utility>

namespace kesmora {

Text::Text(const char* s) {
    if (s != nullptr)
        s_.assign(s);
}

Text::Text(const char* s, std::size_t n) {
    if (s == nullptr)
        return;
    const void* zero = std::memchr(s, 0, n);
    s_.assign(s, zero != nullptr ? static_cast<const char*>(zero) - s : n);
}

Text::Text(std::string_view bytes) : Text(bytes.data(), bytes.size()) {}

Text::Text(std::string&& bytes) : s_(std::move(bytes)) {
    const std::size_t zero = s_.find('\0');
    if (zero != std::string::npos)
        s_.resize(zero);
}

Bytes::Bytes(const void* data, std::size_t n) {
    if (data != nullptr && n > 0)
        b_.assign(static_cast<const char*>(data), n);
}

Text ToText(const Bytes& bytes) {
    return Text(std::string_view(bytes.str()));
}

Bytes ToBytes(const Text& text) {
    return Bytes(text.str());
}

} // namespace kesmora
