// The double-byte walk of Find against std::string::find (the baseline) on the same
// 1 MiB mixed GBK text with the same needle, found near the end. Run:
//   bench_text_find --benchmark_min_time=1
// and compare the two times (the walk's goal: under twice the baseline).
#include "bench/common/mixed_text.h"
#include "common/text.h"

#include <benchmark/benchmark.h>

#include <string>

namespace kesmora::bench {
namespace {

constexpr std::size_t kSize = 1 << 20;

struct Fixture {
    std::string haystack;
    std::string needle = "version=\xD6\xD0\xCE\xC4"; // "version=" and 中文
    std::size_t at = 0;

    Fixture() {
        haystack = MixedGbkText(kSize);
        at = kSize - 200;
        // Keep the walk aligned where the needle goes: the byte before it is ASCII.
        haystack[at - 1] = ' ';
        haystack.replace(at, needle.size(), needle);
    }
};

const Fixture& Data() {
    static const Fixture fixture;
    return fixture;
}

void BM_StdStringFind(benchmark::State& state) {
    const Fixture& f = Data();
    for (auto _ : state)
        benchmark::DoNotOptimize(f.haystack.find(f.needle));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kSize);
}

void BM_DoubleByteFind(benchmark::State& state) {
    const Fixture& f = Data();
    const Text haystack(f.haystack);
    const Text needle(f.needle);
    if (Find(haystack, needle) != static_cast<int>(f.haystack.find(f.needle)) + 1)
        state.SkipWithError("the two searches disagree");
    for (auto _ : state)
        benchmark::DoNotOptimize(Find(haystack, needle));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kSize);
}

void BM_DoubleByteFindIgnoringCase(benchmark::State& state) {
    const Fixture& f = Data();
    const Text haystack(f.haystack);
    const Text needle("VERSION=\xD6\xD0\xCE\xC4");
    for (auto _ : state)
        benchmark::DoNotOptimize(Find(haystack, needle, 1, true));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kSize);
}

BENCHMARK(BM_StdStringFind)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DoubleByteFind)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DoubleByteFindIgnoringCase)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace kesmora::bench

BENCHMARK_MAIN();
