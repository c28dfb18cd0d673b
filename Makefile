# Thin doors over CMake. `make run` and `make test` also install what is missing.
BUILD      ?= build
ASAN_BUILD ?= build-asan
BENCH_BUILD ?= build-bench
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
PROGRAM_DIR = $(BUILD)/bin

.PHONY: all build deps dev-deps run test bench fuzz asan clean format

all: build

build:
	@test -f $(BUILD)/build.ninja || cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD)

deps:
	@sh scripts/install-deps.sh

dev-deps:
	@sh scripts/install-deps.sh --dev

run: deps build
	$(PROGRAM_DIR)/ZTADRCNV

test: deps build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure --timeout 300

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(BENCH_BUILD) $(FUZZ_BUILD)

format:
	find src tests bench fuzz -name '*.cpp' -o -name '*.h' 2>/dev/null | xargs clang-format -i
