# The two commands a newcomer needs:
#   make run    install what is missing, build, start the calendar
#   make test   install what is missing, build, run every test (also under ASan/UBSan,
#               and a short libFuzzer run of every fuzz target, the installation and the
#               Debian package checked by their validators)
# and for putting the calendar on a machine:
#   make install   into PREFIX (default /usr/local); DESTDIR is honoured
#   make deb       the Debian package, in build-deb/
JOBS ?= $(shell nproc)
PREFIX ?= /usr/local
FUZZ_SECONDS ?= 10
GENERATOR := $(shell command -v ninja >/dev/null 2>&1 && echo "-G Ninja")
# Warnings are errors in CI (CI=true), warnings for everyone else.
WERROR := -DQUILLO_WERROR=$(if $(CI),ON,OFF)

.PHONY: run test deps build build-asan build-fuzz unit-tests asan-tests fuzz-smoke package-tests soak install deb format format-check include-check clean

run: build
	exec build/app/quillo

test: format-check include-check unit-tests asan-tests fuzz-smoke package-tests

deps:
	@scripts/install-deps

build: deps
	@cmake -S . -B build $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(WERROR) > /dev/null
	cmake --build build -j $(JOBS)

build-asan: deps
	@cmake -S . -B build-asan $(GENERATOR) -DCMAKE_BUILD_TYPE=Debug -DQUILLO_SANITIZE=ON $(WERROR) > /dev/null
	cmake --build build-asan -j $(JOBS)

build-fuzz: deps
	@CXX=clang++-14 CC=clang-14 cmake -S . -B build-fuzz $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLO_FUZZ=ON $(WERROR) > /dev/null
	cmake --build build-fuzz -j $(JOBS)

unit-tests: build
	cd build && ctest --output-on-failure -j $(JOBS)

asan-tests: build-asan
	cd build-asan && ctest --output-on-failure -j $(JOBS)

fuzz-smoke: build-fuzz
	scripts/fuzz-smoke build-fuzz $(FUZZ_SECONDS)

# A year of use (365 tears, drops and memos) in one run under Xvfb: resident memory, file
# descriptors and X resources must not grow. About twenty minutes; not part of make test.
soak: build
	cd tests/e2e && QUILLO_PROGRAM=$(CURDIR)/build/app/quillo python3 -B soak_year.py

install: build
	DESTDIR="$(DESTDIR)" cmake --install build --prefix "$(PREFIX)"

# The package is built with Debian's flags (all hardening, bindnow among them) in a build
# of the programs only; dpkg-shlibdeps finds the libraries it depends on.
DEB_FLAGS = DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get
deb: deps
	@cmake -S . -B build-deb $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLO_TESTS=OFF \
	  -DCMAKE_CXX_FLAGS="$$($(DEB_FLAGS) CXXFLAGS) $$($(DEB_FLAGS) CPPFLAGS)" \
	  -DCMAKE_EXE_LINKER_FLAGS="$$($(DEB_FLAGS) LDFLAGS)" \
	  -DCMAKE_MODULE_LINKER_FLAGS="$$($(DEB_FLAGS) LDFLAGS)" > /dev/null
	cmake --build build-deb -j $(JOBS)
	cd build-deb && cpack -G DEB

package-tests: deb
	cd build-deb && ctest --output-on-failure -L package

# The C++ sources as clang-format 14 lays them out (.clang-format); generated tables (*.inc) stay as written.
FORMAT_FILES = git ls-files -- '*.cpp' '*.h'
format: deps
	$(FORMAT_FILES) | xargs clang-format-14 -i

format-check: deps
	@$(FORMAT_FILES) | xargs clang-format-14 --dry-run --Werror || { echo "Not formatted: run 'make format'"; exit 1; }

# No two units include each other; almanac/ and storage/ include no Qt.
include-check:
	@scripts/check-includes

clean:
	rm -rf build build-asan build-fuzz build-deb
