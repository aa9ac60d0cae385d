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

bench: deps
	@cmake -S . -B $(BENCH_BUILD) -DCMAKE_BUILD_TYPE=Release -DORVELLA_BENCH=ON -DORVELLA_TESTS=OFF >/dev/null
	@cmake --build $(BENCH_BUILD) -j$(JOBS) --target orvella_bench
	@./$(BENCH_BUILD)/orvella_bench

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(BENCH_BUILD)
