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
