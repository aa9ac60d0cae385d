# The two set-up commands: `make run` and `make test`. Each installs what it
# needs (as root) and builds before it runs.

JOBS ?= $(shell nproc 2>/dev/null || echo 2)
BUILD := build
ASAN_BUILD := build-asan
BENCH_BUILD := build-bench
# `make install` puts bin/viewer and share/orvella/ (with the desktop,
# thumbnailer and MIME entries) under PREFIX; DESTDIR stages the tree elsewhere.
PREFIX ?= /usr/local
DESTDIR ?=

.PHONY: run test deps build build-asan bench install clean

deps:
	@bash tools/ensure_deps.sh

build: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release >/dev/null
	@cmake --build $(BUILD) -j$(JOBS)

build-asan: deps
	@cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVELLA_SANITIZE=ON >/dev/null
	@cmake --build $(ASAN_BUILD) -j$(JOBS)

run: build
	@if [ -n "$$DISPLAY$$WAYLAND_DISPLAY" ]; then \
	  ./$(BUILD)/viewer; \
	else \
	  ./$(BUILD)/viewer --headless --frames 30 --screenshot sample.png && \
	  echo "No display found: rendered the sample world headless to sample.png"; \
	fi

test: build build-asan
	@cd $(BUILD) && ctest --output-on-failure -j$(JOBS)
	@cd $(ASAN_BUILD) && \
	  ASAN_OPTIONS=halt_on_error=1:abort_on_error=1:detect_leaks=1 \
	  UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
	  ctest --output-on-failure -j$(JOBS)

install: build
	@DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix "$(PREFIX)"

# `make bench` prints one table: every figure a median of BENCH_REPS runs with
# its spread, beside the machine's floor measured in the same run and the goal
# it is held to. BENCH_JSON=FILE also writes it as JSON (bench/results/).
BENCH_REPS ?= 5
BENCH_JSON ?=
bench: deps
	@cmake -S . -B $(BENCH_BUILD) -DCMAKE_BUILD_TYPE=Release -DORVELLA_BENCH=ON -DORVELLA_TESTS=OFF >/dev/null
	@cmake --build $(BENCH_BUILD) -j$(JOBS) --target orvella_bench orvella_bench_worlds viewer
	@python3 tools/bench_table.py --bench $(BENCH_BUILD)/orvella_bench --viewer $(BENCH_BUILD)/viewer \
	  --worlds $(BENCH_BUILD)/orvella_bench_worlds --repetitions $(BENCH_REPS) \
	  $(if $(BENCH_JSON),--json $(BENCH_JSON))

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(BENCH_BUILD)

# libFuzzer targets for the world reader and the GIF decoder, built with clang
# straight from the sources; `make fuzz FUZZ_SECONDS=N` runs each for N
# seconds on a corpus seeded from the sample and test worlds.
FUZZ_BUILD := build-fuzz
FUZZ_SECONDS ?= 60
FUZZ_FLAGS := -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -Isrc -Itests \
  -DORVELLA_ASSET_DIR=\"$(CURDIR)/assets/\" -DORVELLA_SOURCE_DIR=\"$(CURDIR)/\"
FUZZ_SOURCES := $(filter-out src/shell/main.cpp,$(wildcard src/*/*.cpp))

.PHONY: fuzz fuzz-build

fuzz-build:
	@command -v clang++ >/dev/null || { [ "$$(id -u)" = 0 ] && apt-get install -y clang >/dev/null; } || \
	  { echo "clang++ is missing; run as root to install it"; exit 1; }
	@mkdir -p $(FUZZ_BUILD)/corpus_reader $(FUZZ_BUILD)/corpus_gif
	clang++ $(FUZZ_FLAGS) fuzz/fuzz_reader.cpp $(FUZZ_SOURCES) \
	  $$(pkg-config --cflags --libs sdl2) -lcurl -lpng -ljpeg -lz -o $(FUZZ_BUILD)/fuzz_reader
	clang++ $(FUZZ_FLAGS) fuzz/fuzz_gif.cpp $(FUZZ_SOURCES) \
	  $$(pkg-config --cflags --libs sdl2) -lcurl -lpng -ljpeg -lz -o $(FUZZ_BUILD)/fuzz_gif
	@find assets tests -name '*.wrl' -size -16k -exec cp {} $(FUZZ_BUILD)/corpus_reader/ \;
	@find assets tests -name '*.gif' -size -64k -exec cp {} $(FUZZ_BUILD)/corpus_gif/ \;

fuzz: fuzz-build
	./$(FUZZ_BUILD)/fuzz_reader -max_len=16384 -max_total_time=$(FUZZ_SECONDS) $(FUZZ_BUILD)/corpus_reader
	./$(FUZZ_BUILD)/fuzz_gif -max_len=65536 -rss_limit_mb=4096 -max_total_time=$(FUZZ_SECONDS) $(FUZZ_BUILD)/corpus_gif
