# `make run` builds and starts Vesk; `make test` builds and runs every test.
# Both install the Debian packages they lack first.
JOBS ?= $(shell nproc)
# Ninja (installed by scripts/install-deps.sh) starts a program's files as soon as they can
# be built and keeps both cores busy; a build folder made before keeps its own generator.
export CMAKE_GENERATOR ?= Ninja

.PHONY: run test build bench clean

run:
	@scripts/install-deps.sh run
	@cmake -S . -B build/release -DVESK_BUILD_TESTS=OFF -DVESK_BUILD_BENCH=OFF >/dev/null
	@cmake --build build/release -j $(JOBS)
	@if [ -z "$$DISPLAY" ] && [ -z "$$WAYLAND_DISPLAY" ]; then \
	  echo "vesk: no display found; to run it without one, use: xvfb-run -a make run"; exit 1; fi
	build/release/app/vesk

test:
	@scripts/install-deps.sh test
	cmake -S . -B build/test -DVESK_WERROR=ON -DVESK_SANITIZE=ON -DVESK_BUILD_TESTS=ON -DVESK_BUILD_BENCH=OFF
	cmake --build build/test -j $(JOBS)
	ctest --test-dir build/test -j $(JOBS) --output-on-failure

bench:
	@scripts/install-deps.sh test
	cmake -S . -B build/bench -DVESK_WERROR=ON -DVESK_BUILD_TESTS=OFF -DVESK_BUILD_BENCH=ON
	cmake --build build/bench -j $(JOBS) --target bench_all

clean:
	rm -rf build
