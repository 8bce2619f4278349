// InetFetch of a 10 MiB body and 16 small file fetches on the long-lived session, each
// against a bare libcurl easy handle doing the same exchange (same verb, version,
// header lines and connection reuse) in the same run, on the same loopback server.
//
//   cmake --build <build> --target bench_inet_fetch && <build>/bench/inet/bench_inet_fetch
//
// Compare BM_InetFetch10MiB with BM_BareCurl10MiB and BM_HttpGetFile16 with
// BM_BareCurlKept16; the goal is within 1.2x.
#include "app/services/services.h"
#include "bench/support/curl_baseline.h"
#include "inet/inet.h"
#include "tests/support/loopback_server.h"

#include <benchmark/benchmark.h>
#include <curl/curl.h>

#include <memory>
#include <string>

namespace {

using kesmora::bench::BareCurlGet;
using kesmora::test::LoopbackServer;

constexpr std::size_t kLargeBody = std::size_t{10} << 20;
constexpr std::size_t kSmallBody = 2048;
constexpr int kSmallRequests = 16;

// One server per body size for the whole run; every request gets the same reply.
LoopbackServer& ServerWithBody(std::size_t size) {
    static std::unique_ptr<LoopbackServer> large, small;
    std::unique_ptr<LoopbackServer>& server = size == kLargeBody ? large : small;
    if (!server) {
        server = kesmora::bench::ServerAnswering(std::string(size, 'b'));
    }
    return *server;
}

void BM_InetFetch10MiB(benchmark::State& state) {
    const std::string url = ServerWithBody(kLargeBody).Url("/large");
    for (auto _ : state) {
        const kesmora::Bytes body = kesmora::InetFetch(url.c_str());
        if (body.size() != kLargeBody)
            state.SkipWithError("short body");
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kLargeBody));
}

void BM_BareCurl10MiB(benchmark::State& state) {
    const std::string url = ServerWithBody(kLargeBody).Url("/large");
    curl_slist* headers = nullptr;
    for (const char* line : {"Accept: */*", "Accept-Language: zh-cn", "Expect:"})
        headers = curl_slist_append(headers, line);
    headers = curl_slist_append(headers, ("Referer: " + url).c_str());
    for (auto _ : state) {
        CURL* curl = curl_easy_init(); // a new handle per call, as InetFetch has
        curl_easy_setopt(curl, CURLOPT_USERAGENT, kesmora::kDefaultUserAgent);
        if (BareCurlGet(curl, url, headers).size() != kLargeBody)
            state.SkipWithError("short body");
        curl_easy_cleanup(curl);
    }
    curl_slist_free_all(headers);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kLargeBody));
}

// New connections the server saw, per iteration: both sides of the
// small-request pair should keep theirs.
void CountConnections(benchmark::State& state, int before) {
    const int opened = ServerWithBody(kSmallBody).ConnectionCount() - before;
    state.counters["connections"] = benchmark::Counter(opened, benchmark::Counter::kAvgIterations);
}

void BM_HttpGetFile16(benchmark::State& state) {
    const std::string url = ServerWithBody(kSmallBody).Url("/small.png");
    const int before = ServerWithBody(kSmallBody).ConnectionCount();
    for (auto _ : state) {
        for (int i = 0; i < kSmallRequests; ++i) {
            if (kesmora::HttpGetFile(url.c_str()).size() != kSmallBody)
                state.SkipWithError("short body");
        }
    }
    CountConnections(state, before);
}

void BM_BareCurlKept16(benchmark::State& state) {
    const std::string url = ServerWithBody(kSmallBody).Url("/small.png");
    curl_slist* headers = nullptr;
    for (const char* line : {"Accept: */*", "Connection: Keep-Alive", "Expect:"})
        headers = curl_slist_append(headers, line);
    const int before = ServerWithBody(kSmallBody).ConnectionCount();
    CURL* curl = curl_easy_init(); // one handle for the run, as the session is one
    curl_easy_setopt(curl, CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_1_0);
    curl_easy_setopt(curl, CURLOPT_USERAGENT, "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)");
    for (auto _ : state) {
        for (int i = 0; i < kSmallRequests; ++i) {
            if (BareCurlGet(curl, url, headers).size() != kSmallBody)
                state.SkipWithError("short body");
        }
    }
    CountConnections(state, before);
    curl_easy_cleanup(curl);
    curl_slist_free_all(headers);
}

BENCHMARK(BM_InetFetch10MiB)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_BareCurl10MiB)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_HttpGetFile16)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_BareCurlKept16)->Unit(benchmark::kMicrosecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
