// Tokenizer throughput on a synthetic world of typical content: node bodies,
// long coordinate lists, strings and comments.
#include <benchmark/benchmark.h>

#include <string>

#include "support/memory_stream.h"
#include "base/input_stream.h"
#include "vrml/lexer.h"

namespace {

std::string syntheticWorld() {
    std::string world = "#VRML V2.0 utf8\n";
    for (int shape = 0; shape < 200; ++shape) {
        world += "DEF S" + std::to_string(shape) + " Transform { translation 1.5 -2.25 3e-1\n";
        world += "  children Shape { appearance Appearance { texture ImageTexture { url \"tex.png\" } }\n";
        world += "    geometry IndexedFaceSet { coord Coordinate { point [\n";
        for (int p = 0; p < 50; ++p) world += "      0.125 -4.5 12.75, # point\n";
        world += "    ] } coordIndex [ 0, 1, 2, -1, 2, 3, 0, -1 ] } } }\n";
    }
    return world;
}

void BM_LexSyntheticWorld(benchmark::State& state) {
    const std::string world = syntheticWorld();
    int64_t tokens = 0;
    for (auto _ : state) {
        MemoryStream stream(world);
        VrmlLexer lexer;
        lexer.addReaderClasses();
        lexer.attachStream(&stream);
        while (lexer.nextToken() != kTokenEnd) ++tokens;
        benchmark::DoNotOptimize(lexer.number());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(world.size()));
    state.counters["tokens/s"] = benchmark::Counter(static_cast<double>(tokens), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_LexSyntheticWorld);

}  // namespace
