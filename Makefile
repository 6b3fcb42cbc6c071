# Talvex: one-line entry points over the CMake presets.
JOBS ?= $(shell nproc)

.PHONY: deps run test bench asan fuzz clean

deps:
	@scripts/install-deps.sh

run: deps
	@cmake --preset release >/dev/null
	@cmake --build --preset release -j $(JOBS) --target talvex
	build/release/app/talvex $(ARGS)

test: deps
	@cmake --preset ci >/dev/null
	@cmake --build --preset ci -j $(JOBS)
	ctest --preset ci
	@cmake --preset fuzz >/dev/null
	@cmake --build --preset fuzz -j $(JOBS)
	ctest --preset fuzz

# Longer fuzzing than the short runs of make test: each target for FUZZ_SECONDS, its corpus kept
# in build/fuzz/fuzz/corpus between sessions.
FUZZ_SECONDS ?= 60
fuzz: deps
	@cmake --preset fuzz >/dev/null
	@cmake --build --preset fuzz -j $(JOBS) --target fuzz_exe_image fuzz_jpeg_image
	@for t in exe_image jpeg_image; do \
	  mkdir -p build/fuzz/fuzz/corpus/$$t && \
	  build/fuzz/fuzz/fuzz_$$t -max_total_time=$(FUZZ_SECONDS) \
	    build/fuzz/fuzz/corpus/$$t build/fuzz/fuzz/seeds/$$t || exit 1; \
	done

asan: deps
	@cmake --preset asan >/dev/null
	@cmake --build --preset asan -j $(JOBS)
	ctest --preset asan

bench: deps
	@cmake --preset release -DTALVEX_BUILD_BENCH=ON >/dev/null
	@cmake --build --preset release -j $(JOBS)
	bench/run-bench.sh build/release

clean:
	rm -rf build
