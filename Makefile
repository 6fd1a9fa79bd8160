# `make run` and `make test` do all set-up on a fresh Debian 12 machine. `make test` builds the
# sanitised Debug tree in $(BUILD); `make run`, `make install` and `make bench` the optimised one,
# without sanitizers, in $(RELEASE_BUILD).
BUILD ?= build
RELEASE_BUILD ?= build-release
PREFIX ?= /usr/local
CLANG_BUILD ?= build-clang-release
FUZZ_BUILD ?= build-fuzz
TSAN_BUILD ?= build-tsan
WALK_BUILD ?= build-walk
SEEDS ?= 300
FIRST ?= 1000
JOBS ?= $(shell nproc)
FUZZ_SECONDS ?= 10
# The sanitised tree holds the program and its tests; benchmarks are built optimised (`make bench`,
# `make clang-release`), where their figures mean something.
CMAKE_FLAGS := -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQM_SANITIZE=ON -DQM_BUILD_BENCH=OFF
ifdef CI
CMAKE_FLAGS += -DQM_WERROR=ON
endif
RELEASE_FLAGS := -G Ninja -DCMAKE_BUILD_TYPE=Release -DQM_BUILD_TESTS=OFF
XVFB := xvfb-run -a -s "-screen 0 1280x1024x24 -dpi 96"
SANITIZER_ENV := ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

.PHONY: all deps configure build test tsan release-configure run install install-check screenshots \
  bench fuzz clang-release fuzz-smoke walk layering format clean

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

# The code that starts threads and its tests (QM_THREAD_TESTS in tests/CMakeLists.txt), built
# with ThreadSanitizer, which cannot share a tree with AddressSanitizer: any data race fails.
tsan: deps
	@cmake -S . -B $(TSAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQM_TSAN=ON \
	  -DQM_BUILD_BENCH=OFF $(if $(CI),-DQM_WERROR=ON) > /dev/null
	cmake --build $(TSAN_BUILD) -j$(JOBS)
	cd $(TSAN_BUILD) && TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
	  ctest --progress --output-on-failure -j$(JOBS)

release-configure: deps
	@cmake -S . -B $(RELEASE_BUILD) $(RELEASE_FLAGS) > /dev/null

# Only the program and what it links, optimised, opened on a copy of the example event in the
# build folder, so that saving never changes the checked-in file. The copy is made again only
# when the example is newer than it.
run: release-configure
	cmake --build $(RELEASE_BUILD) -j$(JOBS) --target program
	@[ $(RELEASE_BUILD)/school.qmv -nt examples/school.qmv ] || \
	  cp examples/school.qmv $(RELEASE_BUILD)/school.qmv
	$(RELEASE_BUILD)/quillmoot $(RELEASE_BUILD)/school.qmv

# The optimised program into $(DESTDIR)$(PREFIX) (with sudo when that is not writable).
install: release-configure
	cmake --build $(RELEASE_BUILD) -j$(JOBS) --target program
	@dest="$(DESTDIR)$(PREFIX)"; while [ ! -e "$$dest" ]; do dest=$$(dirname "$$dest"); done; \
	sudo=""; [ -w "$$dest" ] || [ "$$(id -u)" -eq 0 ] || sudo=sudo; \
	echo "Installing into $(DESTDIR)$(PREFIX)"; \
	$$sudo env DESTDIR="$(DESTDIR)" cmake --install $(RELEASE_BUILD) --prefix "$(PREFIX)" --strip \
	  > /dev/null

# What CI checks of the installation: installed into a scratch DESTDIR, the program starts under
# Xvfb on the installed example and quits cleanly when its window is closed. It installs what
# `make install` builds, or, with INSTALL_FROM=<build folder>, a tree already built (CI uses
# its clang Release build rather than build a third tree).
install-check:
	@scratch=$$(mktemp -d) && trap 'rm -rf "$$scratch"' EXIT && \
	if [ -n "$(INSTALL_FROM)" ]; then \
	  echo "Installing $(INSTALL_FROM) into $$scratch/usr"; \
	  DESTDIR="$$scratch" cmake --install $(INSTALL_FROM) --prefix /usr --strip > /dev/null; \
	else $(MAKE) --no-print-directory install DESTDIR="$$scratch" PREFIX=/usr; fi && \
	(cd "$$scratch" && find . -type f | sort) && \
	scripts/check-start "$$scratch/usr/bin/quillmoot" \
	  "$$scratch/usr/share/quillmoot/examples/school.qmv"

screenshots: build
	scripts/screenshots $(BUILD)

bench: release-configure
	cmake --build $(RELEASE_BUILD) -j$(JOBS)
	@$(XVFB) sh -c \
	  'for b in $(RELEASE_BUILD)/bench/*_bench; do echo "== $$b"; $$b; done'

fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQM_FUZZ=ON \
	  -DQM_BUILD_TESTS=OFF -DQM_BUILD_BENCH=OFF > /dev/null
	cmake --build $(FUZZ_BUILD) -j$(JOBS) --target fuzzers

# The program and benchmarks built with clang, optimised, warnings as errors (the tests are built
# and run in the sanitised tree); each benchmark runs once, briefly,
# so that none rots (no timing is judged).
clang-release: deps
	CC=clang CXX=clang++ cmake -S . -B $(CLANG_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release \
	  -DQM_WERROR=ON -DQM_BUILD_TESTS=OFF > /dev/null
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

# The seeded walk (tests/walk) built optimised with its tests in $(WALK_BUILD): SEEDS walks from
# seed FIRST, each a test of its own; SEED=n (with STEPS=a,b,c) replays one walk as a failure
# printed it. Faults the walk's table holds as open are told and passed over, unless STRICT=1;
# FIND='words' fails, and shrinks, only the walks whose breach says the words.
# Warnings stay warnings here: g++'s optimiser reports bounds it cannot see (make test and
# clang-release hold the code to them).
walk: deps
	@cmake -S . -B $(WALK_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DQM_BUILD_BENCH=OFF > /dev/null
	cmake --build $(WALK_BUILD) -j$(JOBS) --target walk_tests
	cd $(WALK_BUILD)/tests && LC_ALL=C QM_WALK_STRICT=$(STRICT) QM_WALK_FIND='$(FIND)' \
	  $(if $(SEED),QM_WALK_SEED=$(SEED) QM_WALK_STEPS=$(STEPS) \
	  $(XVFB) ./walk_tests --gtest_filter='SeededWalk.Replay',QM_WALK_SEEDS=$(SEEDS) \
	  QM_WALK_FIRST=$(FIRST) $(XVFB) ./walk_tests --gtest_brief=1 --gtest_filter='Walk/ManySeeds.*')

layering:
	scripts/check-layering

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(RELEASE_BUILD) $(CLANG_BUILD) $(FUZZ_BUILD) $(TSAN_BUILD) $(WALK_BUILD)
