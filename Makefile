# Entry points: `make run`, `make test`, `make test-release`, `make bench`, `make fuzz`,
# `make install [PREFIX=...]`, `make package`, `make docs`.
# Each first installs missing Debian packages, then configures and builds incrementally.
SHELL := /bin/bash
PRESET ?= release
BUILD_DIR := build/$(PRESET)
JOBS ?= $(shell nproc)
SAN_ENV := $(if $(filter asan,$(PRESET)),ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0)
XVFB := $(shell command -v xvfb-run >/dev/null 2>&1 && echo "xvfb-run -a -s '-screen 0 1280x1024x24'")

.PHONY: deps configure build run test test-release test-asan suite bench fuzz fuzz-build format clean \
        install package docs check-install

deps:
	@scripts/install-deps

$(BUILD_DIR)/build.ninja: CMakeLists.txt CMakePresets.json
	@cmake --preset $(PRESET) >/dev/null

configure: deps $(BUILD_DIR)/build.ninja

build: configure
	@cmake --build --preset $(PRESET) -j $(JOBS)

run: build
	@scripts/run-main-job $(BUILD_DIR)

# `make test` builds the sanitizer configuration (clang; address and undefined-behaviour
# sanitizers, leak checks on), runs the whole suite in it, then runs every fuzz target for
# CI_FUZZ_SECONDS. `make test-release` runs the suite in the optimised build that `make run` and
# `make bench` use.
CI_FUZZ_SECONDS ?= 15

# The packages come first, in a make of their own: the suite's make then finds xvfb-run for the
# window tests also on a machine where it was only just installed.
test: deps
	@$(MAKE) --no-print-directory suite PRESET=asan
	@$(MAKE) --no-print-directory fuzz FUZZ_SECONDS=$(CI_FUZZ_SECONDS)

test-release: deps
	@$(MAKE) --no-print-directory suite PRESET=release

test-asan: deps
	@$(MAKE) --no-print-directory suite PRESET=asan

# One hung test must not eat the run: each test has 120 s. The closing line counts the tests that
# reported a skip (each says why in its output).
suite: build
	@cd $(BUILD_DIR) && set -o pipefail && $(SAN_ENV) $(XVFB) ctest --output-on-failure -j $(JOBS) \
	  --timeout 120 | tee ctest.log; status=$$?; \
	  echo "skipped: $$(grep -c -E '\(Skipped\)$$' ctest.log) tests (see 'The following tests did not run' above)"; \
	  exit $$status

# Fuzzing: every reader of outside data under libFuzzer with address and undefined-behaviour
# sanitizers, FUZZ_SECONDS per target. The targets live in the sanitizer build (one clang build
# serves both); corpora and findings stay in build/asan.
FUZZ_SECONDS ?= 600
FUZZ_TARGETS ?=

fuzz-build: deps
	@test -f build/asan/build.ninja || cmake --preset asan >/dev/null
	@cmake --build --preset asan -j $(JOBS) --target glkov_fuzzers

fuzz: fuzz-build
	@scripts/run-fuzzers build/asan $(FUZZ_SECONDS) $(FUZZ_TARGETS)

bench: build
	@scripts/run-benchmarks $(BUILD_DIR)

# Installation builds only the programs and what they install, not the tests.
PREFIX ?= /usr/local
INSTALL_TARGETS := glkov glkov-cli glkov_install_data

install: configure
	@cmake --build --preset $(PRESET) -j $(JOBS) --target $(INSTALL_TARGETS)
	@cmake --install $(BUILD_DIR) --prefix $(PREFIX)

# A Debian package (glkov_<version>_<arch>.deb in the build folder) for `apt install ./glkov_*.deb`.
package: configure
	@cmake --build --preset $(PRESET) -j $(JOBS) --target $(INSTALL_TARGETS)
	@cd $(BUILD_DIR) && cpack -G DEB >/dev/null && ls -1 $(CURDIR)/$(BUILD_DIR)/glkov_*.deb

# Installs into a temporary prefix and validates what was installed (CI runs it after `make test`).
check-install: configure
	@cmake --build --preset $(PRESET) -j $(JOBS) --target $(INSTALL_TARGETS)
	@scripts/check-install $(BUILD_DIR)

# The README's animated flight and screenshots, made by the programs themselves.
docs: configure
	@cmake --build --preset $(PRESET) -j $(JOBS) --target glkov-cli test_gui
	@scripts/make-docs $(BUILD_DIR)

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build
