# Thin wrapper over the CMake presets: every target installs what it needs first.
PRESET ?= default
JOBS   ?= $(shell nproc)

.PHONY: fuzz deps deps-bigendian demo build test test-asan test-tsan test-bigendian test-ppc test-s390x bench clean format format-check

# Cross compilers, GoogleTest sources and user-mode emulation for the big-endian hosts.
CROSS_PACKAGES = g++-powerpc-linux-gnu g++-s390x-linux-gnu libubsan1-s390x-cross qemu-user googletest

deps:
	@bash cmake/install-deps.sh
	@bash cmake/install-npm-deps.sh

deps-bigendian:
	@bash cmake/install-deps.sh $(CROSS_PACKAGES)

# The sources as .clang-format lays them out: rewritten in place, or checked (CI).
FORMATTED = $(shell find platform geometry frames bake exporter host scenes tools tests bench fuzz \( -name '*.cpp' -o -name '*.h' \) -print)
format: deps
	@clang-format -i $(FORMATTED)

format-check: deps
	@clang-format --dry-run --Werror $(FORMATTED) && echo "format-check: $(words $(FORMATTED)) files laid out as .clang-format says"


build: deps
	cmake --preset $(PRESET)
	cmake --build --preset $(PRESET) -j $(JOBS)

# The main job on the built-in sample scene: export through the plug-in, inspect, weld,
# preview; then bake the sample's torus from its detailed companion and show both.
DEMO = build/demo
demo: deps
	cmake --preset default
	cmake --build --preset default -j $(JOBS) --target rlf
	@mkdir -p $(DEMO)
	./build/default/bin/rlf export -o $(DEMO)/sample.rlf
	./build/default/bin/rlf info $(DEMO)/sample.rlf
	./build/default/bin/rlf weld $(DEMO)/sample.rlf -o $(DEMO)/sample.glb
	./build/default/bin/rlf render $(DEMO)/sample.rlf -o $(DEMO)/sample.png --shade normal
	./build/default/bin/rlf export -o $(DEMO)/ring.rlf --select ring
	./build/default/bin/rlf export --sample-detail -o $(DEMO)/detail.rlf
	./build/default/bin/rlf bake $(DEMO)/ring.rlf $(DEMO)/detail.rlf -o $(DEMO)/ring_{map}.png --maps normal,ao --size 1024 --cage-offset 2%
	./build/default/bin/rlf render $(DEMO)/detail.rlf --shade lit --bounds-of $(DEMO)/ring.rlf -o $(DEMO)/detail.png
	./build/default/bin/rlf render $(DEMO)/ring.rlf --shade lit -o $(DEMO)/ring-plain.png
	./build/default/bin/rlf render $(DEMO)/ring.rlf --normal-map $(DEMO)/ring_normal.png --ao-map $(DEMO)/ring_ao.png \
		--beside $(DEMO)/detail.png $(DEMO)/ring-plain.png -o $(DEMO)/ring-compared.png
	@echo
	@echo "Outputs in $(DEMO)/: sample.rlf (the export), sample.glb (welded, with tangents), sample.png (normals as colours);"
	@echo "the sample's torus baked from its detailed companion: ring_normal.png and ring_ao.png (the maps), and"
	@echo "ring-compared.png: left, the torus lit through its maps; middle, the detailed torus; right, the torus without them"

test: deps
	cmake --preset default
	cmake --build --preset default -j $(JOBS)
	ctest --preset default -j $(JOBS)

test-asan: deps
	cmake --preset asan
	cmake --build --preset asan -j $(JOBS)
	ctest --preset asan -j $(JOBS)

# The tests that run the welder's helper thread, under ThreadSanitizer.
test-tsan: deps
	cmake --preset tsan
	cmake --build --preset tsan -j $(JOBS)
	ctest --preset tsan -j $(JOBS)

# The whole suite on 32-bit PowerPC and on s390x (with UBSan), under qemu-user.
test-bigendian: test-ppc test-s390x

test-ppc test-s390x: test-%: deps-bigendian
	cmake --preset $*
	cmake --build --preset $* -j $(JOBS)
	ctest --preset $* -j $(JOBS)

# Each libFuzzer harness for FUZZ_SECONDS (default 60), JOBS at a time (fuzz/run.sh).
FUZZ_SECONDS ?= 60
FUZZ_HARNESSES = rlf_read bitmap weld scene bake
fuzz: deps
	@bash cmake/install-deps.sh clang libclang-rt-14-dev
	cmake --preset fuzz
	cmake --build --preset fuzz -j $(JOBS) $(addprefix --target fuzz_,$(FUZZ_HARNESSES))
	FUZZ_SECONDS=$(FUZZ_SECONDS) JOBS=$(JOBS) bash fuzz/run.sh $(FUZZ_HARNESSES)

# Assimp and meshoptimizer run beside the library as peers, Blender beside the baker;
# the real mesh is exported through the plug-in from a model in Debian's Qt 3D examples.
BENCH_MESH = build/release/bench/material-sphere

bench: deps
	@bash cmake/install-deps.sh libassimp-dev libmeshoptimizer-dev blender
	cmake --preset release
	cmake --build --preset release -j $(JOBS) --target rl_bench rl_export_bench rl_bake_bench rlf RLFExport
	bash cmake/fetch-bench-mesh.sh $(BENCH_MESH).obj
	./build/release/bin/rlf export $(BENCH_MESH).obj -o $(BENCH_MESH).rlf
	RL_BENCH_MESH=$(BENCH_MESH).rlf ./build/release/bench/rl_bench
	./build/release/bench/rl_export_bench
	./build/release/bench/rl_bake_bench

clean:
	rm -rf build
