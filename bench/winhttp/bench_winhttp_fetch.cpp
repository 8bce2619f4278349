// WinHttpFetch of a 1 MiB body against a bare libcurl easy handle doing the same
// exchange (same verb, header lines, a new connection per call) in the same run, on the
// same loopback server. Two bodies: one without a charset declaration (the charset
// search runs and finds nothing) and one declaring utf-8 (the whole body is re-decoded
// into GBK text: utf-8 to UTF-16 in the text stream, UTF-16 to GBK for the result). The
// baseline only receives the bytes.
//
//   cmake --build <build> --target bench_winhttp_fetch
//   <build>/bench/winhttp/bench_winhttp_fetch --benchmark_repetitions=8
//       --benchmark_enable_random_interleaving=true --benchmark_report_aggregates_only=true
//   (one command line)
//
// Interleaved repetitions matter: the loopback server and the allocator's state swing
// single runs by 2x. Compare BM_WinHttpFetch1MiB/utf8:N with BM_BareCurl1MiB/utf8:N;
// the goal is within 1.3x.
#include "bench/support/curl_baseline.h"
#include "tests/support/loopback_server.h"
#include "winhttp/winhttp.h"

#include <benchmark/benchmark.h>
#include <curl/curl.h>

#include <memory>
#include <string>

namespace {

using kesmora::test::LoopbackServer;

constexpr std::size_t kBodySize = std::size_t{1} << 20;

// Mostly ASCII page text with some Chinese, as a real page has.
std::string PageBody(bool declareUtf8) {
    std::string body = declareUtf8 ? "<html><head><meta charset=\"utf-8\"></head><body>"
                                   : "<html><head></head><body>";
    const std::string line = "<p>order 12345 shipped \xE4\xB8\xAD\xE6\x96\x87</p>\n";
    while (body.size() + line.size() <= kBodySize)
        body += line;
    body.resize(kBodySize, ' ');
    return body;
}

LoopbackServer& ServerFor(bool declareUtf8) {
    static std::unique_ptr<LoopbackServer> servers[2];
    auto& server = servers[declareUtf8 ? 1 : 0];
    if (!server) {
        server = kesmora::bench::ServerAnswering(PageBody(declareUtf8));
    }
    return *server;
}

void BM_WinHttpFetch1MiB(benchmark::State& state) {
    const std::string url = ServerFor(state.range(0) != 0).Url("/page");
    for (auto _ : state) {
        kesmora::Bytes body;
        const kesmora::Text text =
            kesmora::WinHttpFetch(kesmora::Text(url), 0, "", nullptr, nullptr, "", nullptr, false,
                                  "", "", "", "", "", 0, nullptr, nullptr, &body);
        if (body.size() != kBodySize || text.empty())
            state.SkipWithError("short body");
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kBodySize));
}

// The same request line and header lines, a new handle (and connection) per call.
void BM_BareCurl1MiB(benchmark::State& state) {
    const std::string url = ServerFor(state.range(0) != 0).Url("/page");
    curl_slist* headers = nullptr;
    for (const char* line :
         {"User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)",
          "Accept: text/html, application/xhtml+xml, */*", "Accept-Encoding: identity",
          "Accept-Language: zh-cn", "Cache-Control: no-cache"})
        headers = curl_slist_append(headers, line);
    for (auto _ : state) {
        CURL* curl = curl_easy_init();
        curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
        const std::string body = kesmora::bench::BareCurlGet(curl, url, headers);
        curl_easy_cleanup(curl);
        if (body.size() != kBodySize)
            state.SkipWithError("short body");
    }
    curl_slist_free_all(headers);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kBodySize));
}

BENCHMARK(BM_WinHttpFetch1MiB)
    ->ArgName("utf8")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_BareCurl1MiB)
    ->ArgName("utf8")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace

BENCHMARK_MAIN();
