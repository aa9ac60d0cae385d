// Reading speed: a large generated world (one IndexedFaceSet of a few hundred
// thousand points with its coordIndex), read from memory by the parser, and
// the same world loaded from a file into a Scene.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "support/memory_stream.h"
#include "events/node_factory.h"
#include "app/open_stream.h"
#include "vrml/load_world.h"
#include "base/input_stream.h"
#include "scene/node_registry.h"
#include "scene/scene.h"
#include "base/log.h"
#include "vrml/parser.h"

namespace {

// A grid of side x side points as one mesh, two triangles per cell, written
// the way exporters write: one point or one face per line, commas between.
std::string meshWorld(int side) {
    std::string world = "#VRML V2.0 utf8\nShape {\n  geometry IndexedFaceSet {\n    coord Coordinate { point [\n";
    char line[96];
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            std::snprintf(line, sizeof line, "      %.4f %.4f %.5f,\n", x * 0.125, y * 0.125, (x * y % 97) * 0.00125);
            world += line;
        }
    }
    world += "    ] }\n    coordIndex [\n";
    for (int y = 0; y + 1 < side; ++y) {
        for (int x = 0; x + 1 < side; ++x) {
            const int a = y * side + x;
            std::snprintf(line, sizeof line, "      %d, %d, %d, -1, %d, %d, %d, -1,\n", a, a + 1, a + side, a + 1,
                          a + side + 1, a + side);
            world += line;
        }
    }
    world += "    ]\n  }\n}\n";
    return world;
}

constexpr int kSide = 550;  // 302500 points, 602702 triangles

void BM_ParseLargeMesh(benchmark::State& state) {
    const std::string world = meshWorld(kSide);
    for (auto _ : state) {
        VrmlParser parser(createNode, openStream);
        MemoryStream stream(world);
        benchmark::DoNotOptimize(parser.parseStream(&stream));
        state.PauseTiming();
        releaseNodeRegistry();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(world.size()));
    state.counters["MB"] = static_cast<double>(world.size()) / 1e6;
}
BENCHMARK(BM_ParseLargeMesh)->Unit(benchmark::kMillisecond);

void BM_LoadWorldLargeMeshFromFile(benchmark::State& state) {
    const std::string world = meshWorld(kSide);
    const std::filesystem::path path = std::filesystem::temp_directory_path() / "orvella_reader_bench.wrl";
    {
        std::ofstream out(path, std::ios::binary);
        out << world;
    }
    for (auto _ : state) {
        VrmlParser parser(createNode, openStream);
        std::unique_ptr<Scene> scene = loadWorld(parser, widenText(path.string()));
        benchmark::DoNotOptimize(scene.get());
        state.PauseTiming();
        scene.reset();
        releaseNodeRegistry();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(world.size()));
    std::filesystem::remove(path);
}
BENCHMARK(BM_LoadWorldLargeMeshFromFile)->Unit(benchmark::kMillisecond);

}  // namespace
