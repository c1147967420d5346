# Entry points for people and CI. Run from the repository's root.
#   make demo   build, then run a synchronization on sample data
#   make test   install what is missing, build both targets, run every suite
#   make build  build both targets, no tests
#   make bench  the benchmarks; ONLY="events" (movies, events, wine) runs only those
# Users run the Release builds (build/native, build/win32); the native suites run in a sanitizer
# build of their own (build/native-test).
JOBS ?= 2
NATIVE := build/native
NATIVE_TEST := build/native-test
WIN32 := build/win32
FUZZ := build/fuzz
GEN := -G Ninja

.PHONY: all deps build native native-test win32 fuzz test test-native test-win32 test-fuzz demo bench clean

all: build

deps:
	@./scripts/install-deps.sh

build: deps native win32

native:
	@cmake -S . -B $(NATIVE) $(GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DREELBOX_SANITIZE=OFF -DREELBOX_TESTS=OFF >/dev/null
	@cmake --build $(NATIVE) -j$(JOBS)

native-test:
	@cmake -S . -B $(NATIVE_TEST) $(GEN) -DCMAKE_BUILD_TYPE=Debug -DREELBOX_SANITIZE=ON -DREELBOX_TESTS=ON >/dev/null
	@cmake --build $(NATIVE_TEST) -j$(JOBS)

win32:
	@cmake -S . -B $(WIN32) $(GEN) -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-w64-i686.cmake >/dev/null
	@cmake --build $(WIN32) -j$(JOBS)

fuzz:
	@CC=clang CXX=clang++ cmake -S . -B $(FUZZ) $(GEN) -DCMAKE_BUILD_TYPE=Debug -DREELBOX_FUZZ=ON >/dev/null
	@cmake --build $(FUZZ) -j$(JOBS)

test: deps
	@./scripts/run-tests.sh

test-native: native-test
	@./scripts/run-tests.sh native

test-win32: win32
	@./scripts/run-tests.sh win32

test-fuzz: fuzz
	@./scripts/run-tests.sh fuzz

demo: deps native
	@./scripts/demo.sh

# BENCH="parse million" (or ONLY=...) runs only those benchmarks (names in scripts/bench.py).
bench:
	@./scripts/bench.sh $(BENCH) $(ONLY)

clean:
	rm -rf build
