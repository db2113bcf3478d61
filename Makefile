# KELDA: the two set-up commands are `make run` and `make test`.
.PHONY: run test test-asan test-tsan test-portable bench deps deps-fuzz build build-asan format format-check clean build-fuzz fuzz fuzz-smoke package

JOBS ?= $(shell nproc)
# Extra CMake settings for every configure, e.g. CMAKE_OPTS=-DKELDA_WERROR=ON (as CI sets).
CMAKE_OPTS ?=

deps:
	@scripts/install-deps run build dev

deps-fuzz: deps
	@scripts/install-deps fuzz

build: deps
	cmake --preset default $(CMAKE_OPTS)
	cmake --build --preset default -j $(JOBS)

run: build
	@if [ -z "$$DISPLAY" ] && [ -z "$$WAYLAND_DISPLAY" ]; then \
	  echo "kelda: no display found (neither DISPLAY nor WAYLAND_DISPLAY is set)."; \
	  echo "Start KELDA from a graphical session, or under Xvfb: xvfb-run -a make run"; \
	  exit 1; \
	fi
	./build/default/bin/kelda

test: build
	QT_QPA_PLATFORM=offscreen ctest --preset default -j $(JOBS)

build-asan: deps
	cmake --preset asan $(CMAKE_OPTS)
	cmake --build --preset asan -j $(JOBS)

test-asan: build-asan
	QT_QPA_PLATFORM=offscreen ctest --preset asan -j $(JOBS)

# File CRCs fold chunks on a second thread: the CRC tests and the file layer's under
# ThreadSanitizer.
test-tsan: deps
	cmake --preset tsan $(CMAKE_OPTS)
	cmake --build --preset tsan -j $(JOBS)
	./build/tsan/tests/test_util
	./build/tsan/tests/test_crc

test-portable: deps
	cmake --preset portable $(CMAKE_OPTS)
	cmake --build --preset portable -j $(JOBS)
	ctest --preset portable -j $(JOBS)

# Fuzz targets (clang, libFuzzer, ASan + UBSan): `make fuzz` runs each for FUZZ_SECONDS (default 600),
# `make fuzz-smoke` for a few seconds each, as CI does.
FUZZ_SECONDS ?= 600

build-fuzz: deps-fuzz
	cmake --preset fuzz $(CMAKE_OPTS)
	cmake --build --preset fuzz -j $(JOBS)

fuzz: build-fuzz
	fuzz/run-fuzzers build/fuzz $(FUZZ_SECONDS)

fuzz-smoke: build-fuzz
	fuzz/run-fuzzers build/fuzz 6

bench: build
	./build/default/bin/kelda_bench

format: deps
	cmake --preset default $(CMAKE_OPTS)
	cmake --build --preset default --target format

format-check: deps
	cmake --preset default $(CMAKE_OPTS)
	cmake --build --preset default --target format-check

# The two Debian packages (kelda-cli, kelda), built, checked by lintian, unpacked into a scratch root
# and their programs run from there.
package: build
	scripts/check-package

clean:
	rm -rf build
