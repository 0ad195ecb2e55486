# Thin wrapper around scripts/setup.sh and CMake. See README.md.
BUILD_DIR ?= build
JOBS ?= $(shell nproc)
BIN := $(BUILD_DIR)/quillmere-scan
# ON turns every compiler warning into an error (CI builds so).
WERROR ?= OFF
# The program's exit status when there is no display to open the window on.
NO_DISPLAY := 69
# Where `make install` puts the program: the user's own ~/.local, or /usr/local for root.
ifeq ($(shell id -u),0)
PREFIX ?= /usr/local
else
PREFIX ?= $(HOME)/.local
endif

# One step after the other: the packages must be there before CMake looks for them.
.NOTPARALLEL:
.PHONY: run test build program configure packages test-packages datasource install uninstall bench lint format clean

run: program datasource
	@$(BIN) || [ $$? -eq $(NO_DISPLAY) ]

# The tests' packages (a PostgreSQL server among them) only for the tests: `make run` on a
# desktop must not start a database service.
test: test-packages build
	ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(JOBS)

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

program: configure
	cmake --build $(BUILD_DIR) -j $(JOBS) --target quillmere-scan

configure: packages
	cmake -S . -B $(BUILD_DIR) -DQS_WERROR=$(WERROR)

packages:
	@scripts/setup.sh packages main

test-packages:
	@scripts/setup.sh packages main test

datasource: program
	@QS_BINARY=$(BIN) scripts/setup.sh datasource

install: program
	@scripts/setup.sh install "$(BUILD_DIR)" "$(PREFIX)"

uninstall:
	@scripts/setup.sh uninstall "$(PREFIX)"

bench: build
	@scripts/setup.sh bench-packages
	bench/run.sh $(BUILD_DIR)

# clang-tidy over the project's own sources (the checks are in .clang-tidy); the generated
# files of the build are left out. It needs the build's compile commands and generated headers.
lint: test-packages build
	git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run -Werror
	run-clang-tidy -p $(BUILD_DIR) -j $(JOBS) -quiet '^$(CURDIR)/(src|tests|bench)/.*\.cpp$$'

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD_DIR)
