#include "platform/gbk.h"

#include "platform/code_page.h"
#include "platform/iconv_codec.h"

#include <string>

namespace kesmora {

Text Gbk(std::string_view utf8) {
    if (utf8.empty())
        return Text();
    // Strict first: a literal with a bad sequence must not turn into replacement marks.
    platform::IconvCodec codec("UTF-16LE", "UTF-8");
    std::string le(utf8.size() * 2, '\0');
    const platform::IconvCodec::Step step =
        codec.Convert(utf8.data(), utf8.size(), le.data(), le.size());
    if (step.status != platform::IconvCodec::Status::Done)
        return Text();
    std::u16string units(step.written / 2, u'\0');
    for (std::size_t k = 0; k < units.size(); ++k)
        units[k] = static_cast<char16_t>(static_cast<unsigned char>(le[2 * k]) |
                                         static_cast<unsigned char>(le[2 * k + 1]) << 8);
    // Then the program's own 936 table, refusing any character it lacks.
    const int units32 = static_cast<int>(units.size());
    int usedDefault = 0;
    const int n = platform::WideCharToMultiByte(platform::kCpGbk, 0, units.data(), units32, nullptr,
                                                0, nullptr, &usedDefault);
    if (n <= 0 || usedDefault != 0)
        return Text();
    std::string bytes(static_cast<std::size_t>(n), '\0');
    if (platform::WideCharToMultiByte(platform::kCpGbk, 0, units.data(), units32, bytes.data(), n,
                                      nullptr, nullptr) != n)
        return Text();
    return Text(std::string_view(bytes));
}

} // namespace kesmora
