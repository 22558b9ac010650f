# The two commands a newcomer needs: `make demo` and `make test`.
# Everything else here is a named piece of those two, runnable on its own.

JOBS ?= $(shell nproc 2>/dev/null || echo 2)
export JOBS

.PHONY: demo test build clean fuzz

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
