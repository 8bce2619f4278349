// The code-page calls on 1 MiB, each against the iconv path it replaced (the baseline,
// code_page_iconv.h) in the same run: UTF-8 and GBK to UTF-16 and back, and the text
// stream's UTF-8 reading. Two texts: a page (ASCII with a few Chinese characters per
// line) and Chinese text with short ASCII runs. The calls run as programs make them:
// the size, then the conversion.
//
//   cmake --build <build> --target bench_code_pages
//   <build>/bench/common/bench_code_pages --benchmark_min_time=0.5
//
// Compare BM_<Step>/<text>/fast:1 with BM_<Step>/<text>/fast:0 (the iconv path).
#include "platform/code_page.h"
#include "platform/code_page_iconv.h"
#include "platform/utf8_codec.h"

#include <benchmark/benchmark.h>

#include <string>

namespace kesmora::bench {
namespace {

using namespace kesmora::platform;

constexpr std::size_t kSize = std::size_t{1} << 20;

std::string Repeat(const std::string& piece) {
    std::string s;
    while (s.size() + piece.size() <= kSize)
        s += piece;
    s.resize(kSize, ' ');
    return s;
}

// 0: "<p>order 12345 shipped 中文</p>", 1: "版本 1.0 更新&note=ok " (UTF-8).
const std::string& Utf8Text(int which) {
    static const std::string texts[2] = {
        Repeat("<p>order 12345 shipped \xE4\xB8\xAD\xE6\x96\x87</p>\n"),
        Repeat("\xE7\x89\x88\xE6\x9C\xAC 1.0 \xE6\x9B\xB4\xE6\x96\xB0&note=ok ")};
    return texts[which];
}

const std::u16string& Utf16Text(int which) {
    static const std::u16string texts[2] = {IconvDecodeCodePage(kCpUtf8, Utf8Text(0)),
                                            IconvDecodeCodePage(kCpUtf8, Utf8Text(1))};
    return texts[which];
}

const std::string& GbkText(int which) {
    static bool used = false;
    static const std::string texts[2] = {IconvEncodeCodePage(kCpGbk, Utf16Text(0), "?", used),
                                         IconvEncodeCodePage(kCpGbk, Utf16Text(1), "?", used)};
    return texts[which];
}

std::u16string Widen(unsigned codePage, const std::string& bytes) {
    const int length = static_cast<int>(bytes.size());
    const int n = MultiByteToWideChar(codePage, 0, bytes.data(), length, nullptr, 0);
    std::u16string units(static_cast<std::size_t>(n), u'\0');
    MultiByteToWideChar(codePage, 0, bytes.data(), length, units.data(), n);
    return units;
}

std::string Narrow(unsigned codePage, const std::u16string& units) {
    const int length = static_cast<int>(units.size());
    const int n =
        WideCharToMultiByte(codePage, 0, units.data(), length, nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(codePage, 0, units.data(), length, bytes.data(), n, nullptr, nullptr);
    return bytes;
}

void Report(benchmark::State& state) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kSize);
}

void BM_Utf8ToUtf16(benchmark::State& state) {
    const std::string& text = Utf8Text(static_cast<int>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(state.range(1) ? Widen(kCpUtf8, text)
                                                : IconvDecodeCodePage(kCpUtf8, text));
    Report(state);
}

void BM_GbkToUtf16(benchmark::State& state) {
    const std::string& text = GbkText(static_cast<int>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(state.range(1) ? Widen(kCpGbk, text)
                                                : IconvDecodeCodePage(kCpGbk, text));
    Report(state);
}

void BM_Utf16ToGbk(benchmark::State& state) {
    const std::u16string& text = Utf16Text(static_cast<int>(state.range(0)));
    bool used = false;
    for (auto _ : state)
        benchmark::DoNotOptimize(state.range(1) ? Narrow(kCpGbk, text)
                                                : IconvEncodeCodePage(kCpGbk, text, "?", used));
    Report(state);
}

void BM_Utf16ToUtf8(benchmark::State& state) {
    const std::u16string& text = Utf16Text(static_cast<int>(state.range(0)));
    bool used = false;
    for (auto _ : state)
        benchmark::DoNotOptimize(state.range(1) ? Narrow(kCpUtf8, text)
                                                : IconvEncodeCodePage(kCpUtf8, text, "", used));
    Report(state);
}

// The text stream's reading, without the object around it.
void BM_StreamUtf8(benchmark::State& state) {
    const std::string& text = Utf8Text(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        if (state.range(1)) {
            std::u16string units(text.size(), u'\0');
            units.resize(DecodeUtf8(text, Utf8Repair::kEachByte, units.data()));
            benchmark::DoNotOptimize(units);
        } else {
            benchmark::DoNotOptimize(IconvDecodeCharset(text, "utf-8"));
        }
    }
    Report(state);
}

void Cases(benchmark::internal::Benchmark* b) {
    b->ArgNames({"text", "fast"})->ArgsProduct({{0, 1}, {0, 1}})->Unit(benchmark::kMicrosecond);
}

BENCHMARK(BM_Utf8ToUtf16)->Apply(Cases);
BENCHMARK(BM_GbkToUtf16)->Apply(Cases);
BENCHMARK(BM_Utf16ToGbk)->Apply(Cases);
BENCHMARK(BM_Utf16ToUtf8)->Apply(Cases);
BENCHMARK(BM_StreamUtf8)->Apply(Cases);

} // namespace
} // namespace kesmora::bench

BENCHMARK_MAIN();
