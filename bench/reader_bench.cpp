// Reading speed on the generated worlds of bench_worlds.h.
//
// BM_Read/<world>: the parser reading the world from memory into nodes, which
// is what loadWorld does once the file is open. BM_NumberPass/<world>: the
// floor for the same bytes, one plain pass that converts every number in them
// with the reader's own digit arithmetic and nothing else (no tokens, no
// nodes). The reader's speed is judged against it. BM_Lex/<world>, the
// tokens alone, shows how the reader's time splits between the lexer and the
// making of nodes and fields.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "bench_worlds.h"
#include "base/input_stream.h"
#include "events/node_factory.h"
#include "app/open_stream.h"
#include "scene/node_registry.h"
#include "vrml/decimal_scan.h"
#include "vrml/lexer.h"
#include "vrml/parser.h"

namespace {

// The world's bytes, handed out in blocks without a copy of the world.
class ViewStream final : public InputStream {
public:
    explicit ViewStream(std::string_view bytes) : bytes_(bytes) {}
    int32_t read() override {
        return position_ < bytes_.size() ? static_cast<unsigned char>(bytes_[position_++]) : -1;
    }
    int32_t readBytes(uint8_t* into, int32_t count) override {
        const std::size_t left = bytes_.size() - position_;
        const std::size_t n = left < static_cast<std::size_t>(count) ? left : static_cast<std::size_t>(count);
        bytes_.copy(reinterpret_cast<char*>(into), n, position_);
        position_ += n;
        return static_cast<int32_t>(n);
    }
    void close() override { position_ = bytes_.size(); }

private:
    std::string_view bytes_;
    std::size_t position_ = 0;
};

const std::string& world(std::string (*make)()) {
    // Each world is made once per run, whatever the number of cases using it.
    static std::string terrain = terrainWorld();
    static std::string cubes = cubesWorld();
    static std::string animated = animatedCubesWorld();
    if (make == terrainWorld) return terrain;
    if (make == cubesWorld) return cubes;
    return animated;
}

void BM_Read(benchmark::State& state, std::string (*make)()) {
    const std::string& bytes = world(make);
    for (auto _ : state) {
        VrmlParser parser(createNode, openStream);
        ViewStream stream(bytes);
        benchmark::DoNotOptimize(parser.parseStream(&stream));
        state.PauseTiming();
        releaseNodeRegistry();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes.size()));
}

// The tokens alone: what the reader costs before nodes and fields.
void BM_Lex(benchmark::State& state, std::string (*make)()) {
    const std::string& bytes = world(make);
    for (auto _ : state) {
        ViewStream stream(bytes);
        VrmlLexer lexer;
        lexer.addReaderClasses();
        lexer.attachStream(&stream);
        while (lexer.nextToken() != kTokenEnd) {
        }
        benchmark::DoNotOptimize(lexer.number());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes.size()));
}

// Every run of digits (with at most one point, after an optional "-") is
// converted exactly as the lexer converts a number token, and summed.
double sumNumbers(const uint8_t* p, const uint8_t* end) {
    double sum = 0.0;
    while (p < end) {
        const uint8_t byte = *p;
        const bool negative = byte == '-';
        const uint8_t first = negative && p + 1 < end ? p[1] : byte;
        if (static_cast<unsigned>(first - '0') >= 10 && first != '.') {
            ++p;
            continue;
        }
        DecimalScan scan;
        p = scan.scan(p + (negative ? 1 : 0), end);
        sum += scan.result(negative);
    }
    return sum;
}

void BM_NumberPass(benchmark::State& state, std::string (*make)()) {
    const std::string& bytes = world(make);
    const auto* begin = reinterpret_cast<const uint8_t*>(bytes.data());
    for (auto _ : state) benchmark::DoNotOptimize(sumNumbers(begin, begin + bytes.size()));
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes.size()));
}

BENCHMARK_CAPTURE(BM_Read, terrain, terrainWorld)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Read, cubes, cubesWorld)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Read, animated, animatedCubesWorld)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Lex, terrain, terrainWorld)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Lex, cubes, cubesWorld)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Lex, animated, animatedCubesWorld)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_NumberPass, terrain, terrainWorld)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_NumberPass, cubes, cubesWorld)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_NumberPass, animated, animatedCubesWorld)->Unit(benchmark::kMillisecond);

}  // namespace
