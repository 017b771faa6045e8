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
	rm -rf build build-asan build-release build-windows

# The optimized build (preset release, build-release/) that the package and the bench use.
.PHONY: release package
release: deps
	@cmake --preset release $(CMAKE_ARGS) >/dev/null
	@cmake --build --preset release

# build-release/tr6400_<version>_<arch>.deb; install it with apt-get install ./build-release/*.deb
package: release
	@cpack --preset release

# libFuzzer targets in their own clang build (build-fuzz/); FUZZ_SECONDS per target, default 60.
.PHONY: fuzz
fuzz: deps
	@tests/fuzz/run

# The performance table against the simulator, about 18 minutes; not part of `make test`.
# Measures the release build, as installed; the bench preset is the release preset with the bench
# added, in the same build-release/. BENCH_ARGS=--smoke runs every phase for about a second (CI:
# it builds and completes).
BENCH_ARGS ?=
.PHONY: bench
bench: deps
	@cmake --preset bench $(CMAKE_ARGS) >/dev/null
	@cmake --build --preset bench
	@bench/run-bench build-release $(BENCH_ARGS)

# The fault soak on its own: SOAK_CYCLES window cycles at 250 ms (default 2,000, about 9
# minutes; 20000 for the overnight version), a quarter as many command-line samples at 200 ms.
SOAK_CYCLES ?= 2000
.PHONY: soak
soak: build
	@SOAK_CYCLES=$(SOAK_CYCLES) ctest --preset $(PRESET) -L soak --output-on-failure

# The Windows programs, cross-built with MinGW-w64 against the prebuilt SDK (../shared/win-sdk/,
# unpacked to /opt/tr6400-win-sdk): build-windows/tr6400-<version>-win64-setup.exe and
# build-windows/tr6400-<version>-win64.zip. `make windows-check` proves them under Wine against
# the simulator (needs `make build` for tr6400-sim and the Linux CLI).
WINDOWS_DIR := build-windows
.PHONY: windows windows-check
windows:
	@scripts/install-deps windows
	@scripts/install-win-sdk
	@cmake -S . -B $(WINDOWS_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release -DTR_WERROR=ON \
	  -DCMAKE_TOOLCHAIN_FILE=/opt/tr6400-win-sdk/lib/cmake/Qt6/qt.toolchain.cmake $(CMAKE_ARGS) >/dev/null
	@cmake --build $(WINDOWS_DIR)
	@cmake --build $(WINDOWS_DIR) --target windows_packages

windows-check: windows build
	@tests/windows/run $(WINDOWS_DIR) $(BUILD_DIR)
