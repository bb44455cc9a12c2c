# Thin wrapper over the CMake presets: every target installs what it needs first.
PRESET ?= default
JOBS   ?= $(shell nproc)

.PHONY: deps deps-bigendian demo build test test-asan test-bigendian test-ppc test-s390x bench clean

# Cross compilers, GoogleTest sources and user-mode emulation for the big-endian hosts.
CROSS_PACKAGES = g++-powerpc-linux-gnu g++-s390x-linux-gnu libubsan1-s390x-cross qemu-user googletest

deps:
	@bash cmake/install-deps.sh
	@bash cmake/install-npm-deps.sh

deps-bigendian:
	@bash cmake/install-deps.sh $(CROSS_PACKAGES)

build: deps
	cmake --preset $(PRESET)
	cmake --build --preset $(PRESET) -j $(JOBS)

# The main job on the built-in sample scene: export through the plug-in, inspect, weld,
# preview.
DEMO = build/demo
demo: deps
	cmake --preset default
	cmake --build --preset default -j $(JOBS) --target rlf
	@mkdir -p $(DEMO)
	./build/default/bin/rlf export -o $(DEMO)/sample.rlf
	./build/default/bin/rlf info $(DEMO)/sample.rlf
	./build/default/bin/rlf weld $(DEMO)/sample.rlf -o $(DEMO)/sample.glb
	./build/default/bin/rlf render $(DEMO)/sample.rlf -o $(DEMO)/sample.png --shade normal
	@echo
	@echo "Outputs in $(DEMO)/: sample.rlf (the export), sample.glb (welded, with tangents), sample.png (normals as colours)"

test: deps
	cmake --preset default
	cmake --build --preset default -j $(JOBS)
	ctest --preset default -j $(JOBS)

test-asan: deps
	cmake --preset asan
	cmake --build --preset asan -j $(JOBS)
	ctest --preset asan -j $(JOBS)

# The whole suite on 32-bit PowerPC and on s390x (with UBSan), under qemu-user.
test-bigendian: test-ppc test-s390x

test-ppc test-s390x: test-%: deps-bigendian
	cmake --preset $*
	cmake --build --preset $* -j $(JOBS)
	ctest --preset $* -j $(JOBS)

# Assimp and meshoptimizer run beside the library as peers.
bench: deps
	@bash cmake/install-deps.sh libassimp-dev libmeshoptimizer-dev
	cmake --preset release
	cmake --build --preset release -j $(JOBS) --target rl_bench rl_export_bench
	./build/release/bench/rl_bench
	./build/release/bench/rl_export_bench

clean:
	rm -rf build
