// orvella_bench_worlds OUTDIR: writes terrain.wrl, cubes.wrl, boxes.wrl (full profile) and animated.wrl
// into OUTDIR (which must exist), for measuring the viewer's memory and
// start-up on the same worlds the reader benchmarks read. Exit status 1 on a
// missing argument or a file that cannot be written.
#include <cstdio>
#include <string>

#include "bench_worlds.h"

namespace {

bool writeFile(const std::string& path, const std::string& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: orvella_bench_worlds OUTDIR\n");
        return 1;
    }
    const std::string dir = std::string(argv[1]) + "/";
    const struct {
        const char* name;
        std::string (*make)();
    } worlds[] = {{"terrain.wrl", terrainWorld}, {"cubes.wrl", cubesWorld}, {"boxes.wrl", boxesWorld},
                   {"animated.wrl", animatedCubesWorld}};
    for (const auto& world : worlds) {
        const std::string bytes = world.make();
        if (!writeFile(dir + world.name, bytes)) {
            std::fprintf(stderr, "orvella_bench_worlds: cannot write %s%s\n", dir.c_str(), world.name);
            return 1;
        }
        std::printf("%s%s: %zu bytes\n", dir.c_str(), world.name, bytes.size());
    }
    return 0;
}
