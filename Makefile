# SPDX-License-Identifier: MIT
# Two entry points: `make run` (the program on the bundled sample log) and
# `make test` (every test: normal build, sanitizer build, short fuzz run).
# Each installs what is missing, configures, builds and runs.

JOBS      ?= 2
BUILD     ?= build
ASAN      ?= build-asan
FUZZ      ?= build-fuzz
FUZZ_SECONDS ?= 30
CMAKE_FLAGS ?=

.PHONY: all deps deps-gui configure build run test test-main test-asan test-fuzz fuzz-long bench install clean

all: build

deps:
	bash scripts/install-deps.sh

deps-gui:
	bash scripts/install-deps.sh --gui

configure: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLON_WERROR=ON $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

run: deps-gui
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLON_WERROR=ON $(CMAKE_FLAGS)
	cmake --build $(BUILD) -j $(JOBS)
	bash scripts/run-demo.sh $(BUILD)

test: test-main test-asan test-fuzz

test-main: build
	bash scripts/setup-test-peers.sh
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

test-asan: deps
	cmake -S . -B $(ASAN) -DCMAKE_BUILD_TYPE=Debug -DQUILLON_SANITIZE=ON -DQUILLON_BUILD_GUI=OFF \
	      -DQUILLON_BUILD_BENCH=OFF $(CMAKE_FLAGS)
	cmake --build $(ASAN) -j $(JOBS)
	bash scripts/setup-test-peers.sh
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --test-dir $(ASAN) --output-on-failure -j $(JOBS)

test-fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLON_FUZZ=ON \
	      -DQUILLON_BUILD_GUI=OFF -DQUILLON_BUILD_BENCH=OFF $(CMAKE_FLAGS)
	cmake --build $(FUZZ) -j $(JOBS)
	FUZZ_SECONDS=$(FUZZ_SECONDS) ctest --test-dir $(FUZZ) --output-on-failure

# A longer fuzz run for people who want one: make fuzz-long FUZZ_SECONDS=3600
fuzz-long: test-fuzz

bench: build
	bash bench/run-benchmarks.sh $(BUILD)

install: build
	cmake --install $(BUILD)

clean:
	rm -rf $(BUILD) $(ASAN) $(FUZZ)
