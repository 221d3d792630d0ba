# Thin wrapper over CMake so that a newcomer needs two commands: `make run` and `make test`.
BUILD      ?= build
ASAN_BUILD ?= build-asan
BENCH_BUILD ?= build-bench
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
JOBS       ?= $(shell nproc)
CMAKE_FLAGS ?=
PREFIX     ?= /usr/local

.PHONY: all deps configure build programs test test-asan run install package translations bench bench-scan fuzz screenshot clean

all: build

deps:
	@scripts/setup-deps

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja -DDG_WERROR=ON -DDG_WITH_UI=ON -DDG_WITH_BENCH=ON $(CMAKE_FLAGS)

configure: $(BUILD)/build.ninja

build: configure
	cmake --build $(BUILD) -j $(JOBS)

# Only what a user runs: the viewer, the tools, their libraries, icons and manual pages; no tests,
# no benchmarks.
programs: configure
	cmake --build $(BUILD) -j $(JOBS) --target dg_programs

test: deps build test-asan
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# Unit tests again under AddressSanitizer and UndefinedBehaviorSanitizer (no Qt, no benchmarks).
test-asan: deps
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DDG_WERROR=ON -DDG_SANITIZE=ON \
	  -DDG_WITH_UI=OFF -DDG_WITH_BENCH=OFF
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --output-on-failure -L unit -j $(JOBS)

run: deps programs
	@scripts/run-viewer $(BUILD) $(FILE)

# make install PREFIX=~/.local (default /usr/local; DESTDIR is honoured as well).
install: deps programs
	cmake --install $(BUILD) --prefix $(PREFIX)

# The Debian package: $(BUILD)/package/dirgauge_<version>_<arch>.deb
package: deps programs
	cd $(BUILD) && cpack -G DEB

# Brings translations/*.ts up to date with the texts of the sources (lupdate); then translate
# what is new. catalogue_test names whatever is missing.
translations: deps
	cmake -DLUPDATE=$$(qtpaths6 --query QT_HOST_BINS)/lupdate -DSOURCE_DIR=$(CURDIR) \
	  -DTS_DIR=$(CURDIR)/translations -P cmake/update_translations.cmake

# Draws docs/screenshot.png: the viewer under Xvfb on the sample report.
screenshot: deps build
	scripts/screenshot $(BUILD)

# ncdu: the yardstick of the viewer's load figures.
bench:
	@scripts/setup-deps ncdu
	cmake -S . -B $(BENCH_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DDG_WERROR=ON -DDG_WITH_UI=ON
	cmake --build $(BENCH_BUILD) -j $(JOBS)
	scripts/run-bench $(BENCH_BUILD)

# dirgauge-scan against du, ncdu and gdu on a tree of 200,000 folders and 1,000,000 files, built once
# outside the repository (see scripts/bench-scan).
bench-scan:
	scripts/setup-deps ncdu gdu
	cmake -S . -B $(BENCH_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DDG_WERROR=ON -DDG_WITH_UI=ON
	cmake --build $(BENCH_BUILD) -j $(JOBS) --target dirgauge-scan dirgauge-gen-tree
	scripts/bench-scan $(BENCH_BUILD)

# Differential fuzzing with clang's libFuzzer: the report reader, the tree build and comparison,
# the settings file's text and the partner channel's frames and payloads, FUZZ_SECONDS each (not
# part of `make test`: a run finds new inputs each time, so it is no pass/fail gate).
fuzz:
	scripts/setup-deps clang libclang-rt-14-dev
	cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DDG_WERROR=ON -DDG_FUZZ=ON -DDG_WITH_UI=OFF -DDG_WITH_BENCH=OFF
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target reader_fuzz tree_fuzz settings_fuzz partner_fuzz
	scripts/run-fuzz $(FUZZ_BUILD) $(FUZZ_SECONDS)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(BENCH_BUILD) $(FUZZ_BUILD)
