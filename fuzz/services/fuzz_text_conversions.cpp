// UrlDecode, the UTF-16 buffer routines and ConvertEncoding on arbitrary bytes: odd
// lengths, lone lead bytes, embedded zeros, invalid UTF-8, unpaired surrogates. Checks
// the invariants each result must keep, whatever the input, and that the code-page
// calls and the text stream's UTF-8 reading give what the iconv path gives.
#include "app/services/services.h"
#include "platform/code_page.h"
#include "platform/code_page_iconv.h"
#include "platform/utf8_codec.h"
#include "winhttp/code_pages.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

using namespace kesmora;

void Check(bool condition) {
    if (!condition)
        std::abort();
}

bool HasZeroUnit(const std::string& b, std::size_t end) {
    for (std::size_t k = 0; k + 1 < end; k += 2)
        if (b[k] == 0 && b[k + 1] == 0)
            return true;
    return false;
}

// A buffer with terminator: even length, one zero unit, at the end.
void CheckTerminated(const Bytes& buffer) {
    if (buffer.empty())
        return;
    Check(buffer.size() % 2 == 0 && buffer.size() >= 4);
    Check(!HasZeroUnit(buffer.str(), buffer.size() - 2));
    Check(buffer.str().compare(buffer.size() - 2, 2, std::string("\0\0", 2)) == 0);
}

bool HasReplacement(const Bytes& buffer) {
    for (std::size_t k = 0; k + 1 < buffer.size(); k += 2)
        if (buffer.data()[k] == 0xFD && buffer.data()[k + 1] == 0xFF)
            return true;
    return false;
}

void UrlDecodeInvariants(const Text& text) {
    const Text plain = UrlDecode(text);
    Check(plain.size() <= text.size());
    Check(std::memchr(plain.c_str(), 0, plain.size()) == nullptr);
    if (text.view().find_first_of("%+") == std::string_view::npos)
        Check(plain == text);
    // Each decoded byte gives at most one output byte in GBK ("?" or part of a pair
    // that came from two or more UTF-8 bytes).
    Check(UrlDecode(text, true).size() <= plain.size());
}

void CodePageInvariants(const Bytes& bytes) {
    const Text text = ToText(bytes);
    for (unsigned codePage : {0u, 936u, 65001u}) {
        const Bytes wide = MultiByteToUtf16(bytes, codePage);
        CheckTerminated(wide);
        Check(wide.empty() == text.empty());
        // Bytes that read without a replacement come back unchanged.
        const Text back = Utf16ToText(wide, codePage);
        if (!HasReplacement(wide))
            Check(back == text);
        if (codePage != 65001)
            Check(back.size() <= text.size());
    }
    Check(TextToUtf16(text, true) == CutUtf16AtNul(TextToUtf16(text)));

    // The input as a UTF-16 buffer: odd lengths, unpaired surrogates, zero units.
    const Bytes cut = CutUtf16AtNul(bytes);
    Check(cut.size() % 2 == 0 && !HasZeroUnit(cut.str(), cut.size()));
    Check(bytes.str().compare(0, cut.size(), cut.str()) == 0);
    CheckTerminated(CutUtf16AtNul(bytes, true));
    const Bytes utf8 = Utf16ToMultiByte(bytes, 65001);
    const Text gbk = Utf16ToGbkText(bytes);
    Check(std::memchr(utf8.data(), 0, utf8.size()) == nullptr);
    Check(gbk.size() <= bytes.size() + 1);
    // UTF-8 written by the routines is valid: it reads back and writes the same bytes.
    Check(Utf16ToMultiByte(MultiByteToUtf16(utf8, 65001), 65001) == utf8);
    Check(Utf16ToGbkText(TextToUtf16(gbk)) == gbk);
}

void ConvertEncodingInvariants(const Bytes& bytes) {
    const Bytes gbk = ConvertEncoding(bytes, "UTF-8", "GBK");
    if (!gbk.empty())
        Check(ConvertEncoding(gbk, "GBK", "UTF-8") == bytes);
    const Bytes utf8 = ConvertEncoding(bytes, "GBK", "UTF-8");
    if (!utf8.empty())
        Check(ConvertEncoding(utf8, "UTF-8", "GBK") == bytes);
}

// The calls as a program makes them (the size, then the conversion) against the iconv
// path, for the bytes as they are and for the bytes taken as UTF-16 units.
void FastPathsMatchIconv(const std::string& bytes) {
    namespace pf = platform;
    const int length = static_cast<int>(bytes.size());
    for (unsigned codePage : {pf::kCpGbk, pf::kCpUtf8}) {
        const int n = pf::MultiByteToWideChar(codePage, 0, bytes.data(), length, nullptr, 0);
        std::u16string units(static_cast<std::size_t>(n), u'\0');
        if (n > 0)
            Check(pf::MultiByteToWideChar(codePage, 0, bytes.data(), length, units.data(), n) == n);
        Check(bytes.empty() || units == pf::IconvDecodeCodePage(codePage, bytes));
    }
    std::u16string stream(bytes.size(), u'\0');
    stream.resize(pf::DecodeUtf8(bytes, pf::Utf8Repair::kEachByte, stream.data()));
    Check(stream == pf::IconvDecodeCharset(bytes, "UTF-8").value());

    std::u16string units(bytes.size() / 2, u'\0');
    std::memcpy(units.data(), bytes.data(), units.size() * 2);
    if (units.empty())
        return;
    const int count = static_cast<int>(units.size());
    for (unsigned codePage : {pf::kCpGbk, pf::kCpUtf8}) {
        const bool gbk = codePage == pf::kCpGbk;
        int used = 0;
        int* usedOut = gbk ? &used : nullptr;
        const char* defaultChar = gbk ? "\xA3\xBF" : nullptr; // "？"
        const int n = pf::WideCharToMultiByte(codePage, 0, units.data(), count, nullptr, 0,
                                              defaultChar, usedOut);
        std::string out(static_cast<std::size_t>(n), '\0');
        if (n > 0)
            Check(pf::WideCharToMultiByte(codePage, 0, units.data(), count, out.data(), n,
                                          defaultChar, usedOut) == n);
        bool expectedUsed = false;
        Check(out == pf::IconvEncodeCodePage(codePage, units, gbk ? "\xA3\xBF" : "", expectedUsed));
        Check(used == (expectedUsed ? 1 : 0));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 4096)
        return 0;
    const Bytes bytes(data, size);
    UrlDecodeInvariants(ToText(bytes));
    CodePageInvariants(bytes);
    ConvertEncodingInvariants(bytes);
    FastPathsMatchIconv(bytes.str());
    return 0;
}
