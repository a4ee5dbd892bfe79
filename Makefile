# The two commands a newcomer needs:
#   make run    install what is missing, build, start the calendar
#   make test   install what is missing, build, run every test (also under ASan/UBSan,
#               and a short libFuzzer run of every fuzz target)
JOBS ?= $(shell nproc)
FUZZ_SECONDS ?= 10
GENERATOR := $(shell command -v ninja >/dev/null 2>&1 && echo "-G Ninja")

.PHONY: run test deps build build-asan build-fuzz unit-tests asan-tests fuzz-smoke format format-check clean

run: build
	exec build/app/quillo

test: format-check unit-tests asan-tests fuzz-smoke

deps:
	@scripts/install-deps

build: deps
	@cmake -S . -B build $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
	cmake --build build -j $(JOBS)

build-asan: deps
	@cmake -S . -B build-asan $(GENERATOR) -DCMAKE_BUILD_TYPE=Debug -DQUILLO_SANITIZE=ON > /dev/null
	cmake --build build-asan -j $(JOBS)

build-fuzz: deps
	@CXX=clang++-14 CC=clang-14 cmake -S . -B build-fuzz $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLO_FUZZ=ON > /dev/null
	cmake --build build-fuzz -j $(JOBS)

unit-tests: build
	cd build && ctest --output-on-failure -j $(JOBS)

asan-tests: build-asan
	cd build-asan && ctest --output-on-failure -j $(JOBS)

fuzz-smoke: build-fuzz
	scripts/fuzz-smoke build-fuzz $(FUZZ_SECONDS)

# The C++ sources as clang-format 14 lays them out (.clang-format); generated tables (*.inc) stay as written.
FORMAT_FILES = git ls-files -- '*.cpp' '*.h'
format: deps
	$(FORMAT_FILES) | xargs clang-format-14 -i

format-check: deps
	@$(FORMAT_FILES) | xargs clang-format-14 --dry-run --Werror || { echo "Not formatted: run 'make format'"; exit 1; }

clean:
	rm -rf build build-asan build-fuzz
