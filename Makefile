# Two commands on a fresh Debian 12 machine: `make run` and `make test`.
PRESET ?= dev
BUILD_DIR := $(if $(filter asan,$(PRESET)),build-asan,build)
CMAKE_ARGS ?=
CTEST_ARGS ?=

.PHONY: deps configure build run test clean

deps:
	@scripts/install-deps

configure: deps
	@cmake --preset $(PRESET) $(CMAKE_ARGS) >/dev/null

build: configure
	@cmake --build --preset $(PRESET)

run: build
	@scripts/run-window $(BUILD_DIR)

test: build
	@ctest --preset $(PRESET) --timeout 300 $(CTEST_ARGS)

clean:
	rm -rf build build-asan
