# `make run` and `make test` do all set-up on a fresh Debian 12 machine.
BUILD ?= build
RELEASE_BUILD ?= build-release
JOBS := $(shell nproc)
CMAKE_FLAGS := -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQM_SANITIZE=ON
ifdef CI
CMAKE_FLAGS += -DQM_WERROR=ON
endif

.PHONY: all deps configure build test run screenshots bench fuzz format clean

all: build

deps:
	scripts/install-deps

configure: deps
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD) -j$(JOBS)

test: build
	cd $(BUILD) && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  xvfb-run -a -s "-screen 0 1280x1024x24 -dpi 96" ctest --output-on-failure -j$(JOBS)

run: build
	@if [ -x $(BUILD)/quillmoot ]; then $(BUILD)/quillmoot examples/school.qmv; \
	else echo "Quillmoot Organiser has no window yet: the libraries and their tests are built (make test)."; fi

screenshots: build
	scripts/screenshots $(BUILD)

bench: deps
	cmake -S . -B $(RELEASE_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DQM_BUILD_TESTS=OFF
	cmake --build $(RELEASE_BUILD) -j$(JOBS)
	@xvfb-run -a -s "-screen 0 1280x1024x24 -dpi 96" sh -c \
	  'for b in $(RELEASE_BUILD)/bench/*_bench; do echo "== $$b"; $$b; done'

fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQM_FUZZ=ON -DQM_BUILD_TESTS=OFF -DQM_BUILD_BENCH=OFF
	cmake --build build-fuzz -j$(JOBS)

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(RELEASE_BUILD) build-fuzz
