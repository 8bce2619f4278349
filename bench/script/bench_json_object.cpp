// The per-record cost of the tiles' reading (Parse, then GetText("picture")), against
// a bare QJSEngine that parses the same text with JSON.parse and reads the member, in
// the same run:
//   BM_BareFreshEngine   a new engine per record, as Parse has (the fair baseline)
//   BM_BareSharedEngine  one engine for every record (what JSON.parse alone costs)
//   BM_EngineCreation    a new engine and nothing else
//   BM_JsonObject        Parse + GetText on one object, as the tile loop does
//   BM_JsonObjectOneShot construction, Parse, GetText, destruction, as a tile click does
//   BM_RatioToBareFresh  JsonObject and the fresh bare engine alternately in one loop,
//                        so that both see the same machine load; the counters give
//                        the thread CPU time of each per record and their ratio
// Argument 0: the advertisement record; 1: a 1 MiB document with the same members.
#include "script/script.h"

#include <QCoreApplication>
#include <QJSEngine>

#include <benchmark/benchmark.h>

#include <string>

#include <time.h>

namespace {

std::string Document(int which) {
    const std::string record =
        R"({"picture":"https://ads.kesmora.example/tiles/2024/spring-a.png","site":"https://www.kesmora.example/landing?id=3"})";
    if (which == 0)
        return record;
    std::string big = R"({"picture":"https://ads.kesmora.example/tiles/a.png","items":[)";
    for (int i = 0; big.size() < (1u << 20); ++i)
        big += (i ? "," : "") + record;
    return big + "]}";
}

QString Picture(QJSEngine& engine, const QString& text) {
    const QJSValue parse =
        engine.globalObject().property(QStringLiteral("JSON")).property(QStringLiteral("parse"));
    return parse.call({QJSValue(text)}).property(QStringLiteral("picture")).toString();
}

void BM_BareFreshEngine(benchmark::State& state) {
    const QString text = QString::fromStdString(Document(static_cast<int>(state.range(0))));
    for (auto _ : state) {
        QJSEngine engine;
        benchmark::DoNotOptimize(Picture(engine, text));
    }
}

void BM_BareSharedEngine(benchmark::State& state) {
    const QString text = QString::fromStdString(Document(static_cast<int>(state.range(0))));
    QJSEngine engine;
    for (auto _ : state)
        benchmark::DoNotOptimize(Picture(engine, text));
}

void BM_EngineCreation(benchmark::State& state) {
    for (auto _ : state) {
        QJSEngine engine;
        benchmark::DoNotOptimize(&engine);
    }
}

void BM_JsonObject(benchmark::State& state) {
    const kesmora::Text text(Document(static_cast<int>(state.range(0))).c_str());
    kesmora::JsonObject json;
    for (auto _ : state) {
        json.Parse(text);
        benchmark::DoNotOptimize(json.GetText("picture"));
    }
    if (json.GetText("picture").empty())
        state.SkipWithError("the picture did not read");
}

void BM_JsonObjectOneShot(benchmark::State& state) {
    const kesmora::Text text(Document(static_cast<int>(state.range(0))).c_str());
    for (auto _ : state) {
        kesmora::JsonObject json;
        json.Parse(text);
        benchmark::DoNotOptimize(json.GetText("picture"));
    }
}

double ThreadCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

void BM_RatioToBareFresh(benchmark::State& state) {
    const std::string document = Document(static_cast<int>(state.range(0)));
    const kesmora::Text text(document.c_str());
    const QString qtext = QString::fromStdString(document);
    kesmora::JsonObject json;
    double ours = 0, bare = 0;
    for (auto _ : state) {
        const double t0 = ThreadCpuSeconds();
        json.Parse(text);
        benchmark::DoNotOptimize(json.GetText("picture"));
        const double t1 = ThreadCpuSeconds();
        {
            QJSEngine engine;
            benchmark::DoNotOptimize(Picture(engine, qtext));
        }
        const double t2 = ThreadCpuSeconds();
        ours += t1 - t0;
        bare += t2 - t1;
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["ours_ms"] = ours / n * 1e3;
    state.counters["bare_ms"] = bare / n * 1e3;
    state.counters["ratio"] = bare > 0 ? ours / bare : 0;
}

BENCHMARK(BM_BareFreshEngine)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BareSharedEngine)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EngineCreation)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_JsonObject)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_JsonObjectOneShot)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RatioToBareFresh)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
