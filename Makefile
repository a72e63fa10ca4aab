# The README's commands. Every target installs what it needs first.
BUILD_DIR ?= build
BENCH_DIR ?= build-bench
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all deps configure build test test-plain demo solver-demo bench test-asan test-tsan check-layers check-format format clean

all: build

deps:
	./scripts/install-deps

configure: deps
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

# The layering and formatting checks, the whole suite, then the same suite under AddressSanitizer +
# UndefinedBehaviorSanitizer and under ThreadSanitizer.
test: check-layers check-format test-plain test-asan test-tsan

# Fails on an include that goes up a layer (each folder includes only the folders below it).
check-layers:
	./scripts/check-layers

test-plain: build
	cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

# Renders the version-2 example with its pictures (drawn at build time into examples/images/, so nothing
# comes over the network) the way a host shows it, into out/weekly_deals.png.
demo: build
	mkdir -p out
	./$(BUILD_DIR)/kivo render --offline --full examples/weekly_deals_v2.kivo -o out/weekly_deals.png

solver-demo: build
	./$(BUILD_DIR)/solver_demo

bench: deps
	cmake -S . -B $(BENCH_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release -DKIVO_BUILD_TESTS=OFF
	cmake --build $(BENCH_DIR) -j $(JOBS)
	@set -e; for b in $(BENCH_DIR)/bench_*; do echo "== $$b"; $$b; done

# Sanitizer builds optimise lightly and keep line tables only: they compile much faster, and the reports
# still name files and lines.
SANITIZER_FLAGS = -DKIVO_BUILD_BENCHMARKS=OFF -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG"

test-asan:
	$(MAKE) test-plain BUILD_DIR=build-asan CMAKE_FLAGS='-DKIVO_SANITIZE=address $(SANITIZER_FLAGS)'

test-tsan:
	$(MAKE) test-plain BUILD_DIR=build-tsan CMAKE_FLAGS='-DKIVO_SANITIZE=thread $(SANITIZER_FLAGS)'

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

# Fails on any source file that clang-format would change, include order among it.
check-format: deps
	git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror

clean:
	rm -rf build build-bench build-asan build-tsan
