// JSON parse of a 1 MB document and of an object with 100,000 keys, beside nlohmann::json on
// the same texts (also in alternating rounds with their ratio); compact and indented
// serialisation of the 1 MB document.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include <benchmark/benchmark.h>
#include <nlohmann/json.hpp>

#include "PeerRatio.h"
#include "SimpleJsonObj.h"
#include "SimpleJsonParser.h"

namespace {

// About 1 MB: {"items":[{"id":0,"name":"item 0","value":0.5,"tags":["a","b\n"],"ok":true},...]}
const std::string& megabyteDocument() {
    static const std::string text = [] {
        std::string t = "{\"items\":[";
        for (int i = 0; t.size() < 1000000; ++i) {
            if (i) t += ',';
            t += "{\"id\":" + std::to_string(i) + ",\"name\":\"item " + std::to_string(i) +
                 "\",\"value\":" + std::to_string(i * 0.5) +
                 ",\"tags\":[\"a\",\"b\\n\"],\"ok\":true}";
        }
        return t + "]}";
    }();
    return text;
}

// {"key000000":0,"key000001":1,...}: the keys' character sums fall into few values.
const std::string& manyKeysDocument() {
    static const std::string text = [] {
        std::string t = "{";
        char key[16];
        for (int i = 0; i < 100000; ++i) {
            std::snprintf(key, sizeof key, "key%06d", i);
            t += (i ? ",\"" : "\"") + std::string(key) + "\":" + std::to_string(i);
        }
        return t + "}";
    }();
    return text;
}

void BM_ParseMegabyteDocument(benchmark::State& state) {
    const std::string& text = megabyteDocument();
    for (auto _ : state) delete SimpleJsonParser::parse(text.c_str());
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_ParseMegabyteDocument)->Unit(benchmark::kMillisecond);

void BM_PeerParseMegabyteDocument(benchmark::State& state) {
    const std::string& text = megabyteDocument();
    for (auto _ : state) benchmark::DoNotOptimize(nlohmann::json::parse(text));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_PeerParseMegabyteDocument)->Unit(benchmark::kMillisecond);

void BM_ParseHundredThousandKeys(benchmark::State& state) {
    const std::string& text = manyKeysDocument();
    for (auto _ : state) delete SimpleJsonParser::parse(text.c_str());
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_ParseHundredThousandKeys)->Unit(benchmark::kMillisecond);

void BM_PeerParseHundredThousandKeys(benchmark::State& state) {
    const std::string& text = manyKeysDocument();
    for (auto _ : state) benchmark::DoNotOptimize(nlohmann::json::parse(text));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_PeerParseHundredThousandKeys)->Unit(benchmark::kMillisecond);

// Ours and the peer in alternating rounds: the ratio of the medians.
void peerRatio(benchmark::State& state, const std::string& text) {
    PeerRatio::run(
        state, [&] { delete SimpleJsonParser::parse(text.c_str()); },
        [&] { benchmark::DoNotOptimize(nlohmann::json::parse(text)); });
}

void BM_RatioMegabyteDocument(benchmark::State& state) { peerRatio(state, megabyteDocument()); }
BENCHMARK(BM_RatioMegabyteDocument)->Unit(benchmark::kMillisecond);

void BM_RatioHundredThousandKeys(benchmark::State& state) { peerRatio(state, manyKeysDocument()); }
BENCHMARK(BM_RatioHundredThousandKeys)->Unit(benchmark::kMillisecond);

void serialise(benchmark::State& state, bool compact) {
    std::unique_ptr<SimpleJsonObj> obj(SimpleJsonParser::parse(megabyteDocument().c_str()));
    for (auto _ : state) {
        char* text = obj->generateString(compact, false);
        benchmark::DoNotOptimize(text);
        std::free(text);
    }
}

void BM_SerialiseCompact(benchmark::State& state) { serialise(state, true); }
BENCHMARK(BM_SerialiseCompact)->Unit(benchmark::kMillisecond);

void BM_SerialiseIndented(benchmark::State& state) { serialise(state, false); }
BENCHMARK(BM_SerialiseIndented)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
