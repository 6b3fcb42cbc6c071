# Talvex: one-line entry points over the CMake presets.
JOBS ?= $(shell nproc)

.PHONY: deps run test test-windows windows-suites windows bench bench-picture asan fuzz clean

deps:
	@scripts/install-deps.sh

run: deps
	@cmake --preset release >/dev/null
	@cmake --build --preset release -j $(JOBS) --target talvex
	build/release/app/talvex $(ARGS)

# The fuzz targets' short runs, the Windows suites under Wine, and last the Linux suite: every
# unit, window and end-to-end test and the benchmarks' smoke tests, built with the address and
# undefined-behaviour sanitizers and warnings as errors. A suite that fails does not stop the
# ones after it: each one's verdict is noted in $(VERDICTS), all are printed at the end, and
# the command fails when one did.
VERDICTS := build/test-verdicts
PRINT_VERDICTS := echo; echo "Verdicts:"; sed 's/^/  /' $(VERDICTS); ! grep -q FAILED $(VERDICTS)
test: deps
	@cmake --preset asan >/dev/null
	@cmake --build --preset asan -j $(JOBS)
	@cmake --preset fuzz >/dev/null
	@cmake --build --preset fuzz -j $(JOBS) --target $(FUZZ_TARGETS)
	@: >$(VERDICTS)
	@ctest --preset fuzz && v=passed || v=FAILED; echo "fuzz targets' short runs: $$v" >>$(VERDICTS)
	@$(MAKE) --no-print-directory windows-suites
	@ctest --preset asan && v=passed || v=FAILED; echo "Linux suite (asan): $$v" >>$(VERDICTS)
	@$(PRINT_VERDICTS)

test-windows: deps
	@mkdir -p build && : >$(VERDICTS)
	@$(MAKE) --no-print-directory windows-suites
	@$(PRINT_VERDICTS)

# The 64-bit Windows build and its tests under 64-bit Wine, then the 32-bit build: its tests run
# where this machine can run 32-bit programs; where not, only its programs are built and the
# tests are skipped, saying why (the Linux talvex-pack still stamps its talvex.exe, which needs no
# Wine, and that test's verdict is the suite's). The build-time tools, the end-to-end run's
# talvex-unseal and the report compared with talvex-report.exe are the asan build's.
# libjpeg-turbo and nettle are cross-built once per clone (build/windows-deps). Each suite's
# verdict goes into $(VERDICTS); none stops the next.
WINE64 := /usr/lib/wine/wine64
WINE32 := /usr/lib/wine/wine
HOST_TOOLS := -DTALVEX_HOST_TOOLS=$(CURDIR)/build/asan
HOST_TOOL_TARGETS := talvex-samples talvex-pack talvex-icon talvex-unseal talvex-report
STAMP_ONLY_TEST := '^StudyKit\.StampedProgramListsAndGivesBackTheFolder$$'
# $(call windows_suite,CPU,PRESET,LOADER,NAME)
define windows_suite
	@if ! { JOBS=$(JOBS) scripts/build-windows-deps.sh $(1) && \
	        cmake --preset $(2) $(HOST_TOOLS) >/dev/null; }; then \
	  v="FAILED (libraries or configuration)"; \
	elif ! reason=$$(scripts/wine-run.sh $(3) --can-run 2>&1); then \
	  if ! cmake --build --preset $(2) -j $(JOBS) --target talvex talvex-unseal talvex-pack; then \
	    v="FAILED (build)"; \
	  elif ctest --preset $(2) -R $(STAMP_ONLY_TEST); then \
	    v="programs built and stamped by the Linux talvex-pack; tests skipped: $$reason"; \
	  else \
	    v="FAILED (stamping its programs)"; \
	  fi; \
	elif ! cmake --build --preset $(2) -j $(JOBS); then \
	  v="FAILED (build)"; \
	else \
	  ctest --preset $(2) && v=passed || v=FAILED; \
	  scripts/wine-run.sh $(3) build/$(2)/wine-prefix --stop; \
	fi; \
	echo "$(4): $$v" | tee -a $(VERDICTS)
endef
windows-suites: deps
	@cmake --preset asan >/dev/null
	@cmake --build --preset asan -j $(JOBS) --target $(HOST_TOOL_TARGETS)
	$(call windows_suite,x86_64,windows,$(WINE64),Windows 64-bit suite)
	$(call windows_suite,i686,windows-x86,$(WINE32),Windows 32-bit suite)

FUZZ_TARGETS := fuzz_exe_image fuzz_jpeg_image fuzz_results_file

# The Windows release: talvex.exe carrying the study's images and settings (the same CMake
# options as on Linux, in CMAKE_ARGS, for example
# CMAKE_ARGS="-DTALVEX_IMAGE_FOLDER=/study/images"), talvex-unseal.exe and the raters' text;
# build/talvex-windows-64bit.zip and build/talvex-windows-32bit.zip. Beside them the study team's
# kit, build/talvex-study-kit-windows-64bit.zip (the programs, talvex-pack.exe and
# talvex-report.exe among them, the settings template and the study guide), and the sources the
# licences call for, build/talvex-sources-<version>.zip. The programs' imports are checked to be
# DLLs of Windows only, what they link to be named in the third-party notices.
CMAKE_ARGS ?=
windows: deps
	@for arch in x86_64:windows:64bit i686:windows-x86:32bit; do \
	  set -e; cpu=$${arch%%:*}; rest=$${arch#*:}; preset=$${rest%%:*}; bits=$${rest#*:}; \
	  JOBS=$(JOBS) scripts/build-windows-deps.sh $$cpu; \
	  cmake --preset $$preset -B build/$$preset-release -DCMAKE_BUILD_TYPE=Release \
	    -DTALVEX_BUILD_TESTS=OFF -DTALVEX_WERROR=OFF $(CMAKE_ARGS) >/dev/null; \
	  targets="talvex talvex-unseal"; \
	  [ $$bits = 32bit ] || targets="$$targets talvex-pack talvex-report"; \
	  cmake --build build/$$preset-release -j $(JOBS) --target $$targets; \
	  scripts/windows-release.sh raters build/$$preset-release $$cpu-w64-mingw32 \
	    build/talvex-windows-$$bits.zip; \
	done
	@version=$$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/windows-release/CMakeCache.txt); \
	  scripts/windows-release.sh kit build/windows-release x86_64-w64-mingw32 \
	    build/talvex-study-kit-windows-64bit.zip build/talvex-sources-$$version.zip

# Longer fuzzing than the short runs of make test: each target for FUZZ_SECONDS, its corpus kept
# in build/fuzz/fuzz/corpus between sessions.
FUZZ_SECONDS ?= 60
fuzz: deps
	@cmake --preset fuzz >/dev/null
	@cmake --build --preset fuzz -j $(JOBS) --target $(FUZZ_TARGETS)
	@for t in exe_image jpeg_image results_file; do \
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

# Only the picture's figures: press to picture, recorded latencies and exposures, in process and
# by the light sensor, on both image sets (about fifteen minutes).
bench-picture: deps
	@cmake --preset release -DTALVEX_BUILD_BENCH=ON >/dev/null
	@cmake --build --preset release -j $(JOBS)
	bench/run-bench.sh build/release --picture

clean:
	rm -rf build
