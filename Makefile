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

# libFuzzer targets, built with clang straight from the sources: the sources
# are compiled once (instrumented, without libFuzzer's main) into
# build-fuzz/liborvella_fuzz.a and each fuzz/fuzz_NAME.cpp is linked against
# it. `make fuzz FUZZ_SECONDS=N` runs each target for N seconds, one after
# the other, on a corpus seeded from the tests' and assets' files (and
# ../shared/corpus when it exists); it fails when any target finds a crash,
# a leak, a timeout or a sanitizer report (the input is left in
# build-fuzz/finds/NAME/).
FUZZ_BUILD := build-fuzz
FUZZ_SECONDS ?= 60
FUZZ_CXX ?= clang++
FUZZ_COMMON := -std=c++20 -g -O1 -Isrc -Itests \
  -DORVELLA_ASSET_DIR=\"$(CURDIR)/assets/\" -DORVELLA_SOURCE_DIR=\"$(CURDIR)/\" \
  $(shell pkg-config --cflags sdl2 2>/dev/null)
FUZZ_OBJ_FLAGS := $(FUZZ_COMMON) -fsanitize=fuzzer-no-link,address,undefined
FUZZ_LINK_FLAGS := $(FUZZ_COMMON) -fsanitize=fuzzer,address,undefined
FUZZ_LIBS = $(shell pkg-config --libs sdl2 2>/dev/null) -lcurl -lpng -ljpeg -lz
FUZZ_SOURCES := $(filter-out src/shell/main.cpp,$(wildcard src/*/*.cpp))
FUZZ_OBJECTS := $(patsubst src/%.cpp,$(FUZZ_BUILD)/obj/%.o,$(FUZZ_SOURCES))
FUZZ_TARGETS := reader gzip gif image input_script
FUZZ_BINARIES := $(addprefix $(FUZZ_BUILD)/fuzz_,$(FUZZ_TARGETS))
SHARED_CORPUS := ../shared/corpus
# Per target: the longest input, the memory ceiling and the seconds one input
# may take. The reader's 64 KB and 1 s sit well inside the viewer's own limits
# for a world; the image decoders may be asked for the largest picture a
# header can claim (kMaxImagePixels), hence their higher memory ceiling.
FUZZ_OPTIONS_reader := -max_len=65536 -rss_limit_mb=2048 -timeout=1
FUZZ_OPTIONS_gzip := -max_len=65536 -rss_limit_mb=2048 -timeout=2
FUZZ_OPTIONS_gif := -max_len=65536 -rss_limit_mb=4096 -timeout=5
FUZZ_OPTIONS_image := -max_len=65536 -rss_limit_mb=4096 -timeout=5
FUZZ_OPTIONS_input_script := -max_len=16384 -rss_limit_mb=2048 -timeout=1

.PHONY: fuzz fuzz-build fuzz-clang fuzz-corpus

fuzz-clang:
	@command -v $(FUZZ_CXX) >/dev/null || { [ "$$(id -u)" = 0 ] && apt-get install -y clang >/dev/null; } || \
	  { echo "clang++ is missing; run as root to install it"; exit 1; }

$(FUZZ_BUILD)/obj/%.o: src/%.cpp | fuzz-clang
	@mkdir -p $(dir $@)
	$(FUZZ_CXX) $(FUZZ_OBJ_FLAGS) -MMD -MP -c $< -o $@

-include $(FUZZ_OBJECTS:.o=.d)

$(FUZZ_BUILD)/liborvella_fuzz.a: $(FUZZ_OBJECTS)
	@rm -f $@
	ar rcs $@ $^

$(FUZZ_BUILD)/fuzz_%: fuzz/fuzz_%.cpp $(FUZZ_BUILD)/liborvella_fuzz.a | fuzz-clang
	$(FUZZ_CXX) $(FUZZ_LINK_FLAGS) -MMD -MP $< $(FUZZ_BUILD)/liborvella_fuzz.a $(FUZZ_LIBS) -o $@

-include $(FUZZ_BINARIES:=.d)

# Seed corpora, rebuilt on each build from the files in the tree.
fuzz-corpus:
	@for t in $(FUZZ_TARGETS); do rm -rf $(FUZZ_BUILD)/seed_$$t; mkdir -p $(FUZZ_BUILD)/seed_$$t $(FUZZ_BUILD)/corpus_$$t; done
	@find assets tests -name '*.wrl' -size -64k -exec cp {} $(FUZZ_BUILD)/seed_reader/ \;
	@find assets tests \( -name '*.wrl' -o -name '*.wrz' -o -name '*.gz' \) -size -64k \
	  -exec cp {} $(FUZZ_BUILD)/seed_gzip/ \;
	@find assets tests \( -iname '*.gif' \) -size -64k -exec cp {} $(FUZZ_BUILD)/seed_gif/ \;
	@find assets tests \( -iname '*.png' -o -iname '*.jpg' -o -iname '*.jpeg' \) -size -64k \
	  -exec cp {} $(FUZZ_BUILD)/seed_image/ \;
	@cp fuzz/seeds/input_script/* $(FUZZ_BUILD)/seed_input_script/
	@if [ -d $(SHARED_CORPUS) ]; then \
	  find $(SHARED_CORPUS) -name '*.wrl' -size -64k -exec cp {} $(FUZZ_BUILD)/seed_reader/ \; ; \
	  find $(SHARED_CORPUS) \( -name '*.gz' -o -name '*.wrz' \) -size -64k \
	    -exec cp {} $(FUZZ_BUILD)/seed_gzip/ \; ; \
	  find $(SHARED_CORPUS) -iname '*.gif' -size -64k -exec cp {} $(FUZZ_BUILD)/seed_gif/ \; ; \
	  find $(SHARED_CORPUS) \( -iname '*.png' -o -iname '*.jpg' -o -iname '*.jpeg' \) -size -64k \
	    -exec cp {} $(FUZZ_BUILD)/seed_image/ \; ; \
	fi
	@gzip -9 -c assets/sample.wrl > $(FUZZ_BUILD)/seed_gzip/sample.wrl.gz
	@# fuzz_gzip reads its first byte as the way in: each seed once as it is
	@# (a leading '#' or 1F is way 3, compressed here) and once behind a 0
	@# (the file through openStream), gzip seeds also behind a 2 and a cap.
	@cd $(FUZZ_BUILD)/seed_gzip && for f in *; do [ -f "$$f" ] || continue; \
	  { printf '\000'; cat "$$f"; } > "open-$$f"; \
	  case "$$f" in *.gz|*.wrz) { printf '\002\377\017'; cat "$$f"; } > "cap-$$f" ;; esac; done

fuzz-build: fuzz-clang
	@$(MAKE) --no-print-directory -j$(JOBS) $(FUZZ_BINARIES)
	@$(MAKE) --no-print-directory fuzz-corpus

# Each target runs alone (one process); new inputs go to corpus_NAME, the
# seeds are read alongside. A find stops the run and fails the make.
fuzz: fuzz-build
	@$(foreach t,$(FUZZ_TARGETS),mkdir -p $(FUZZ_BUILD)/finds/$(t) && echo "fuzz_$(t): $(FUZZ_SECONDS) s" && \
	  ./$(FUZZ_BUILD)/fuzz_$(t) $(FUZZ_OPTIONS_$(t)) -max_total_time=$(FUZZ_SECONDS) \
	    -artifact_prefix=$(FUZZ_BUILD)/finds/$(t)/ -print_final_stats=1 \
	    $(FUZZ_BUILD)/corpus_$(t) $(FUZZ_BUILD)/seed_$(t) || exit 1;)
