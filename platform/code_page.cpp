#include "platform/code_page.h"

#include "platform/code_page_iconv.h"
#include "platform/gbk_table.h"
#include "platform/utf8_codec.h"

#include <climits>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

namespace kesmora::platform {
namespace {

bool IsGbk(unsigned codePage) {
    return codePage == kCpGbk || codePage == kCpAcp;
}
bool IsSupported(unsigned codePage) {
    return IsGbk(codePage) || codePage == kCpUtf8;
}

// The default character a caller handed in: one character of 936, else "?".
std::string_view DefaultChar(const char* defaultChar) {
    if (defaultChar == nullptr || defaultChar[0] == '\0')
        return "?";
    const bool pair = static_cast<unsigned char>(defaultChar[0]) >= 0x81 && defaultChar[1] != '\0';
    return std::string_view(defaultChar, pair ? 2 : 1);
}

// Hands a result to the caller: its size when no buffer was offered, 0 when the
// buffer is too small (nothing written), else the count written. `convert(out)`
// writes to `out`, or only counts when it is null, and never writes more than
// `bound`: a buffer that large is filled in one pass, a smaller one is counted first.
// nullopt when the converter cannot do this text (the iconv path must).
template <typename Unit, typename Convert>
std::optional<int> DeliverConverted(Convert convert, std::size_t bound, Unit* target,
                                    int targetSize) {
    if (target == nullptr || static_cast<std::size_t>(targetSize) < bound) {
        const std::optional<std::size_t> needed = convert(nullptr);
        if (!needed)
            return std::nullopt;
        if (*needed > static_cast<std::size_t>(INT_MAX))
            return 0;
        if (targetSize == 0)
            return static_cast<int>(*needed);
        if (target == nullptr || *needed > static_cast<std::size_t>(targetSize))
            return 0;
    }
    const std::optional<std::size_t> written = convert(target);
    if (!written)
        return std::nullopt;
    return static_cast<int>(*written);
}

// The same for a result the iconv path made whole.
template <typename Unit>
int Deliver(const std::basic_string<Unit>& result, Unit* target, int targetSize) {
    if (result.size() > static_cast<std::size_t>(INT_MAX))
        return 0;
    const int needed = static_cast<int>(result.size());
    if (targetSize == 0)
        return needed;
    if (target == nullptr || needed > targetSize)
        return 0;
    std::memcpy(target, result.data(), result.size() * sizeof(Unit));
    return needed;
}

} // namespace

int MultiByteToWideChar(unsigned codePage, unsigned long flags, const char* source,
                        int sourceLength, char16_t* target, int targetUnits) {
    if (!IsSupported(codePage) || flags != 0 || source == nullptr || sourceLength == 0 ||
        sourceLength < -1 || targetUnits < 0)
        return 0;
    const std::size_t n =
        sourceLength == -1 ? std::strlen(source) + 1 : static_cast<std::size_t>(sourceLength);
    const std::string_view bytes(source, n);
    const bool gbk = IsGbk(codePage);
    auto decode = [&](char16_t* out) -> std::optional<std::size_t> {
        if (gbk)
            return DecodeGbk(bytes, out);
        return DecodeUtf8(bytes, Utf8Repair::kMaximalSubpart, out);
    };
    // No byte gives more than one unit.
    if (const auto delivered = DeliverConverted(decode, n, target, targetUnits))
        return *delivered;
    return Deliver(IconvDecodeCodePage(codePage, bytes), target, targetUnits);
}

int WideCharToMultiByte(unsigned codePage, unsigned long flags, const char16_t* source,
                        int sourceUnits, char* target, int targetBytes, const char* defaultChar,
                        int* usedDefaultChar) {
    if (!IsSupported(codePage) || flags != 0 || source == nullptr || sourceUnits == 0 ||
        sourceUnits < -1 || targetBytes < 0)
        return 0;
    // UTF-8 has no default character: the platform refuses both arguments there.
    if (codePage == kCpUtf8 && (defaultChar != nullptr || usedDefaultChar != nullptr))
        return 0;
    const std::size_t n = sourceUnits == -1 ? static_cast<std::size_t>(lstrlenW(source)) + 1
                                            : static_cast<std::size_t>(sourceUnits);
    const std::u16string_view units(source, n);
    const bool gbk = IsGbk(codePage);
    const std::string_view fallback = DefaultChar(defaultChar);
    bool usedDefault = false;
    auto encode = [&](char* out) -> std::optional<std::size_t> {
        if (gbk)
            return EncodeGbk(units, fallback, &usedDefault, out);
        return EncodeUtf8(units, out);
    };
    // A unit gives at most two bytes in 936 (a default character included) and three
    // in UTF-8 (a pair gives four).
    const std::size_t perUnit = gbk ? 2 : 3;
    const std::size_t bound = n <= SIZE_MAX / perUnit ? n * perUnit : SIZE_MAX;
    std::optional<int> delivered = DeliverConverted(encode, bound, target, targetBytes);
    if (!delivered) {
        usedDefault = false;
        delivered = Deliver(IconvEncodeCodePage(codePage, units, fallback, usedDefault), target,
                            targetBytes);
    }
    if (usedDefaultChar != nullptr)
        *usedDefaultChar = usedDefault ? 1 : 0;
    return *delivered;
}

int lstrlenW(const char16_t* s) {
    if (s == nullptr)
        return 0;
    int n = 0;
    while (s[n] != u'\0' && n < INT_MAX)
        ++n;
    return n;
}

} // namespace kesmora::platform
