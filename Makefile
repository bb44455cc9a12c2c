# Thin wrapper over the CMake presets: every target installs what it needs first.
PRESET ?= default
JOBS   ?= $(shell nproc)

.PHONY: deps demo build test test-asan bench clean

deps:
	@bash cmake/install-deps.sh

build: deps
	cmake --preset $(PRESET)
	cmake --build --preset $(PRESET) -j $(JOBS)

demo: deps
	cmake --preset default
	cmake --build --preset default -j $(JOBS) --target rlf_demo
	./build/default/tools/rlf_demo build/default/demo.rlf

test: deps
	cmake --preset default
	cmake --build --preset default -j $(JOBS)
	ctest --preset default -j $(JOBS)

test-asan: deps
	cmake --preset asan
	cmake --build --preset asan -j $(JOBS)
	ctest --preset asan -j $(JOBS)

bench: deps
	cmake --preset release
	cmake --build --preset release -j $(JOBS) --target rl_bench
	./build/release/bench/rl_bench

clean:
	rm -rf build
