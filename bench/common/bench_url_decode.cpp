// UrlDecode on 1 MiB of percent-encoded UTF-8 (Chinese text with ASCII between),
// without and with the turn into GBK, against copying the same bytes (the baseline).
// Run: bench_url_decode --benchmark_min_time=1
#include "app/services/services.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <string>

namespace kesmora::bench {
namespace {

constexpr std::size_t kSize = 1 << 20;

std::string EncodedText() {
    // "版本 1.0 更新" in UTF-8, percent-encoded, and plain ASCII with "+" for spaces.
    const std::string piece = "%E7%89%88%E6%9C%AC+1.0+%E6%9B%B4%E6%96%B0&note=ok+";
    std::string s;
    while (s.size() + piece.size() <= kSize)
        s += piece;
    s.append(kSize - s.size(), 'x');
    return s;
}

const Text& Encoded() {
    static const Text text(EncodedText());
    return text;
}

void BM_CopyBaseline(benchmark::State& state) {
    const Text& text = Encoded();
    std::string out(text.size(), '\0');
    for (auto _ : state) {
        std::memcpy(out.data(), text.c_str(), text.size());
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kSize);
}

void BM_UrlDecode(benchmark::State& state) {
    const Text& text = Encoded();
    for (auto _ : state)
        benchmark::DoNotOptimize(UrlDecode(text));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kSize);
}

void BM_UrlDecodeToGbk(benchmark::State& state) {
    const Text& text = Encoded();
    for (auto _ : state)
        benchmark::DoNotOptimize(UrlDecode(text, true));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kSize);
}

BENCHMARK(BM_CopyBaseline)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_UrlDecode)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_UrlDecodeToGbk)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace kesmora::bench

BENCHMARK_MAIN();
