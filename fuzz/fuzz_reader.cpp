// libFuzzer harness for the world reader: any bytes are read as a world, made
// into a Scene, prepared and released. Not part of the normal build; from the
// repository root:
//
//   clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -Isrc -Itests \
//       fuzz/fuzz_reader.cpp $(find src -name '*.cpp' ! -name main.cpp) \
//       $(pkg-config --cflags --libs sdl2) -lcurl -lpng -ljpeg -o fuzz_reader
//   ./fuzz_reader -max_len=16384 corpus/
//
// Seed it with small worlds (assets/sample.wrl is a good start).
#include <cstddef>
#include <cstdint>

#include "support/memory_stream.h"
#include "events/node_factory.h"
#include "app/open_stream.h"
#include "base/input_stream.h"
#include "scene/node_registry.h"
#include "scene/scene.h"
#include "vrml/parser.h"

namespace {

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    {
        VrmlParser parser(createNode, openStream);
        MemoryStream stream(data, size);
        if (X3DNode* root = parser.parseStream(&stream)) {
            Scene scene(createNode);
            scene.setRoot(root);
            scene.initNodes();
        }
    }
    releaseNodeRegistry();
    return 0;
}
