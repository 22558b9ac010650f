# The two commands a newcomer needs: `make demo` and `make test`.
# Everything else here is a named piece of those two, runnable on its own.

JOBS ?= $(shell nproc 2>/dev/null || echo 2)
export JOBS

.PHONY: demo test build clean fuzz bench work-precision dist

## Build the native release libraries and the demo hosts, then fly the default shot and read
## the Dunmoral samples.
demo: build
	cd build/release/bin && ./skelvane-demo && ./dunmoral-demo

build:
	scripts/ensure-packages.sh native
	cmake --preset release
	cmake --build --preset release -j $(JOBS)

## Build and run every test leg; each leg reports passed, failed or skipped (with how to enable it).
test:
	scripts/run-test-legs.sh

## Run every fuzz target for FUZZ_SECONDS seconds each, after its committed corpus.
FUZZ_SECONDS ?= 60
fuzz:
	fuzz/run.sh $(FUZZ_SECONDS) $(FUZZ_TARGETS)

clean:
	rm -rf build dist

## The release zip for game developers: 32-bit DLLs, headers, UnrealScript bindings, README.
dist:
	scripts/dist.sh

## The comparison suite against GSL and Boost.Odeint (not part of test): table, then instruction counts.
bench:
	scripts/ensure-packages.sh native bench
	cmake --preset bench
	cmake --build --preset bench -j $(JOBS)
	cd build/bench/bin && ./skelvane-bench
	benchmarks/instruction_counts.sh build/bench/bin/skelvane-bench

## Regenerate docs/work-precision.svg (and print its tables).
work-precision:
	scripts/ensure-packages.sh native bench
	cmake --preset bench
	cmake --build --preset bench -j $(JOBS) --target skelvane-work-precision
	build/bench/bin/skelvane-work-precision docs/work-precision.svg
