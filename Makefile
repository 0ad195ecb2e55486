# Thin wrapper around scripts/setup.sh and CMake. See README.md.
BUILD_DIR ?= build
JOBS ?= $(shell nproc)
BIN := $(BUILD_DIR)/quillmere-scan
# The program's exit status when there is no display to open the window on.
NO_DISPLAY := 69

.PHONY: run test build program configure packages datasource bench format clean

run: program datasource
	@$(BIN) || [ $$? -eq $(NO_DISPLAY) ]

test: build
	ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(JOBS)

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

program: configure
	cmake --build $(BUILD_DIR) -j $(JOBS) --target quillmere-scan

configure: packages
	cmake -S . -B $(BUILD_DIR)

packages:
	@scripts/setup.sh packages

datasource: program
	@QS_BINARY=$(BIN) scripts/setup.sh datasource

bench: build
	@scripts/setup.sh bench-packages
	bench/run.sh $(BUILD_DIR)

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD_DIR)
