# Set-up, build, the example, the tests, the fuzz target and the benchmark. See README.md.
BUILD      ?= build
ASAN_BUILD ?= build-asan
NOGUI_BUILD ?= build-nogui
FUZZ_BUILD ?= build-fuzz
WINDOWS_BUILD ?= build-windows
JOBS       ?= $(shell nproc)
FUZZ_SECONDS ?= 60
LAUNCHER    = $(if $(shell command -v ccache),-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)

.PHONY: all deps build run test test-release test-asan test-nogui test-windows windows windows-build fuzz-build fuzz-smoke fuzz bench format install-check

all: build

deps:
	@scripts/install-deps.sh

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAMARISK_WERROR=ON $(LAUNCHER) >/dev/null
	cmake --build $(BUILD) -j$(JOBS)

# Converts the bundled example and shows what changed.
run: build
	scripts/run-example.sh $(BUILD)/app/tamarisk

test: test-release test-asan test-nogui test-windows fuzz-smoke

test-release: build
	ctest --test-dir $(BUILD) --output-on-failure -j$(JOBS)

test-asan: deps
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DTAMARISK_WERROR=ON -DTAMARISK_SANITIZE=ON $(LAUNCHER) >/dev/null
	cmake --build $(ASAN_BUILD) -j$(JOBS)
	ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --test-dir $(ASAN_BUILD) --output-on-failure -j$(JOBS)

# The same sources without the window: a command-line-only program without Qt.
test-nogui: deps
	cmake -S . -B $(NOGUI_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAMARISK_WERROR=ON -DTAMARISK_GUI=OFF $(LAUNCHER) >/dev/null
	cmake --build $(NOGUI_BUILD) -j$(JOBS)
	ctest --test-dir $(NOGUI_BUILD) --output-on-failure -j$(JOBS)

# The Windows programs, cross-built with MinGW-w64, and their zip in dist/.
windows-build: deps
	cmake -S . -B $(WINDOWS_BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release -DTAMARISK_WERROR=ON $(LAUNCHER) >/dev/null
	cmake --build $(WINDOWS_BUILD) -j$(JOBS)

windows: windows-build
	scripts/windows-zip.sh $(WINDOWS_BUILD)

# The core, settings and command-line tests as Windows programs under Wine, with one Wine server kept
# running for the whole run.
test-windows: windows-build
	scripts/wine-test.sh $(WINDOWS_BUILD)

fuzz-build: deps
	CXX=clang++-14 cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAMARISK_FUZZ=ON -DTAMARISK_TESTS=OFF -DTAMARISK_GUI=OFF $(LAUNCHER) >/dev/null
	cmake --build $(FUZZ_BUILD) -j$(JOBS) --target fuzz_convert

# A few seconds of fuzzing so the target cannot rot; `make fuzz` runs it for FUZZ_SECONDS.
fuzz-smoke: fuzz-build
	scripts/fuzz.sh $(FUZZ_BUILD)/fuzz/fuzz_convert 10

fuzz: fuzz-build
	scripts/fuzz.sh $(FUZZ_BUILD)/fuzz/fuzz_convert $(FUZZ_SECONDS)

bench: build
	bench/run.sh $(BUILD)

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')
