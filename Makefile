# `make run` and `make test` do all set-up on a fresh Debian 12 machine.
BUILD ?= build
RELEASE_BUILD ?= build-release
CLANG_BUILD ?= build-clang-release
FUZZ_BUILD ?= build-fuzz
JOBS ?= $(shell nproc)
FUZZ_SECONDS ?= 10
CMAKE_FLAGS := -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQM_SANITIZE=ON
ifdef CI
CMAKE_FLAGS += -DQM_WERROR=ON
endif
XVFB := xvfb-run -a -s "-screen 0 1280x1024x24 -dpi 96"
SANITIZER_ENV := ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

.PHONY: all deps configure build test run screenshots bench fuzz clang-release fuzz-smoke layering \
  format clean

all: build

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD) $(CMAKE_FLAGS) > /dev/null

build: configure
	cmake --build $(BUILD) -j$(JOBS)

# Progress on one line; a failing test's whole output, then the list of failures.
test: build
	cd $(BUILD) && $(SANITIZER_ENV) $(XVFB) ctest --progress --output-on-failure -j$(JOBS)

# Only the program and what it links, not the tests and benchmarks.
run: configure
	cmake --build $(BUILD) -j$(JOBS) --target program
	@if [ -x $(BUILD)/quillmoot ]; then $(BUILD)/quillmoot examples/school.qmv; \
	else echo "The program was not built: see the messages above."; fi

screenshots: build
	scripts/screenshots $(BUILD)

bench: deps
	cmake -S . -B $(RELEASE_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DQM_BUILD_TESTS=OFF > /dev/null
	cmake --build $(RELEASE_BUILD) -j$(JOBS)
	@$(XVFB) sh -c \
	  'for b in $(RELEASE_BUILD)/bench/*_bench; do echo "== $$b"; $$b; done'

fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQM_FUZZ=ON \
	  -DQM_BUILD_TESTS=OFF -DQM_BUILD_BENCH=OFF > /dev/null
	cmake --build $(FUZZ_BUILD) -j$(JOBS) --target fuzzers

# Everything built with clang, optimised, warnings as errors; each benchmark runs once, briefly,
# so that none rots (no timing is judged).
clang-release: deps
	CC=clang CXX=clang++ cmake -S . -B $(CLANG_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release \
	  -DQM_WERROR=ON > /dev/null
	cmake --build $(CLANG_BUILD) -j$(JOBS)
	@$(XVFB) sh -c 'for b in $(CLANG_BUILD)/bench/*_bench; do echo "== $$b"; \
	  $$b --benchmark_min_time=0.01 > $$b.log 2>&1 || { cat $$b.log; exit 1; }; done'

# Each fuzz target for FUZZ_SECONDS on a scratch copy of its seed corpus, so the checked-in
# corpus never changes.
fuzz-smoke: fuzz
	@scratch=$$(mktemp -d) && trap 'rm -rf "$$scratch"' EXIT && \
	for target in $(FUZZ_BUILD)/fuzz/*_fuzz; do \
	  name=$$(basename $$target); seeds=fuzz/corpus/$$name; \
	  [ -d $$seeds ] || seeds=fuzz/corpus/$${name%_fuzz}; \
	  mkdir -p $$scratch/$$name && cp -r $$seeds/. $$scratch/$$name/; \
	  echo "== $$name ($(FUZZ_SECONDS) s)"; \
	  $$target $$scratch/$$name -max_total_time=$(FUZZ_SECONDS) -print_final_stats=0 \
	    > $$scratch/$$name.log 2>&1 || { tail -n 60 $$scratch/$$name.log; exit 1; }; \
	done

layering:
	scripts/check-layering

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(RELEASE_BUILD) $(CLANG_BUILD) $(FUZZ_BUILD)
