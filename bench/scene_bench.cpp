// Scene-graph costs that grow with the world: making and registering many
// nodes (the registry and every field's registration), releasing them, and one
// event travelling down a long chain of routes.
#include <benchmark/benchmark.h>

#include <vector>

#include "events/node_factory.h"
#include "scene/grouping_nodes.h"
#include "scene/node_registry.h"
#include "scene/node_types.h"

namespace {

void BM_CreateAndReleaseTransforms(benchmark::State& state) {
    const int64_t count = state.range(0);
    for (auto _ : state) {
        for (int64_t i = 0; i < count; ++i) benchmark::DoNotOptimize(createNode(u"", NodeType::Transform));
        releaseNodeRegistry();
    }
    state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_CreateAndReleaseTransforms)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_DeliverDownChain(benchmark::State& state) {
    const int64_t length = state.range(0);
    std::vector<nTransform*> chain;
    for (int64_t i = 0; i < length; ++i) chain.push_back(static_cast<nTransform*>(createNode(u"", NodeType::Transform)));
    for (int64_t i = 0; i + 1 < length; ++i) addRoute(chain[i], u"translation", chain[i + 1], u"set_translation");
    float x = 0.0f;
    for (auto _ : state) {
        x += 1.0f;
        chain.front()->translation.setValue(Vec3f{x, 0.0f, 0.0f});
    }
    benchmark::DoNotOptimize(chain.back()->translation.value.x);
    state.SetItemsProcessed(state.iterations() * length);
    releaseNodeRegistry();
}
BENCHMARK(BM_DeliverDownChain)->Arg(1000);

}  // namespace
