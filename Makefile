# Lumora: the two commands that do everything on a fresh Debian 12 machine.
#   make run   - install missing packages, build, start Lumora on the demo folder
#   make test  - install missing packages, build, run every test through CTest

BUILD      ?= build
SAN_BUILD  ?= build-san
TSAN_BUILD ?= build-tsan
TSAN_REPEAT ?= 6
JOBS       ?= $(shell nproc)
FUZZ_SECONDS ?= 600
CMAKE_FLAGS ?=

export QT_QPA_PLATFORM ?= offscreen

.PHONY: all deps configure build run test test-core test-sanitize test-tsan sanitize fuzz bench clean samples install package soak

all: build

deps:
	@bash scripts/install-deps

$(BUILD)/build.ninja: | deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)

configure: deps $(BUILD)/build.ninja

build: configure
	cmake --build $(BUILD) -j $(JOBS)

samples: build
	@if [ -x $(BUILD)/bin/lumora-samples ]; then $(BUILD)/bin/lumora-samples $(BUILD)/demo >/dev/null; fi

run: build samples
	env -u QT_QPA_PLATFORM $(BUILD)/bin/lumora

# The sanitizer tree builds only the headless libraries, their tests and the
# fuzz targets, with clang, AddressSanitizer and UndefinedBehaviorSanitizer.
$(SAN_BUILD)/build.ninja: | deps
	CC=clang CXX=clang++ cmake -S . -B $(SAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug \
	    -DLUMORA_SANITIZE=ON -DLUMORA_WIDGETS=OFF $(CMAKE_FLAGS)

sanitize: deps $(SAN_BUILD)/build.ninja
	cmake --build $(SAN_BUILD) -j $(JOBS)

# A test that fails is run again, up to three times in all, before it counts
# as failed: the end-to-end journeys drive a real X server and a few engine
# tests wait on threads, and both can miss a deadline on a loaded two-core
# machine. A fault that fails every time still fails the run.
CTEST_FLAGS ?= --output-on-failure --timeout 600 -j $(JOBS) --repeat until-pass:3

# The normal tree runs every test (those labelled "sanitize" as well) but the
# two-minute soak (label soak, `make soak`; a 20-second run of it is in the
# normal set); the sanitizer tree holds only the tests labelled "sanitize"
# and the fuzz runs.
test-core: build
	cd $(BUILD) && ctest $(CTEST_FLAGS) -LE 'fuzz|soak'

soak: build
	cd $(BUILD) && ctest --output-on-failure --timeout 900 -L soak

test-sanitize: sanitize
	cd $(SAN_BUILD) && ctest $(CTEST_FLAGS)

test: build sanitize
	cd $(SAN_BUILD) && ctest $(CTEST_FLAGS)
	cd $(BUILD) && ctest $(CTEST_FLAGS) -LE 'fuzz|soak'

# The ThreadSanitizer tree builds only the threaded engine tests and runs
# them as whole programs (label tsan), several times over, since a race
# shows only when the threads happen to meet. (CTest takes one --repeat:
# here it is until-fail, not the until-pass retries of CTEST_FLAGS.)
$(TSAN_BUILD)/build.ninja: | deps
	CC=clang CXX=clang++ cmake -S . -B $(TSAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	    -DLUMORA_TSAN=ON -DLUMORA_WIDGETS=OFF $(CMAKE_FLAGS)

test-tsan: deps $(TSAN_BUILD)/build.ninja
	cmake --build $(TSAN_BUILD) -j $(JOBS) --target engine_thread_test engine_watch_test engine_pool_test
	cd $(TSAN_BUILD) && ctest --output-on-failure --timeout 600 -j $(JOBS) -L tsan \
	    --repeat until-fail:$(TSAN_REPEAT)

# Every fuzz target for FUZZ_SECONDS (FUZZ_TARGETS="fuzz-tiff fuzz-psd" for
# some), then a table of executions, speed, coverage and findings.
FUZZ_TARGETS ?=
fuzz: sanitize
	bash scripts/fuzz-run $(SAN_BUILD) $(FUZZ_SECONDS) $(FUZZ_TARGETS)

bench: build
	bash scripts/install-deps --bench
	$(BUILD)/bin/lumora-bench decode --quick
	$(BUILD)/bin/lumora-bench folder --quick

# make install [PREFIX=/usr/local] [DESTDIR=/tmp/stage]
PREFIX ?= /usr/local
install: build
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix "$(PREFIX)"

# make package: a Debian package (lumora_<version>_<arch>.deb) in $(BUILD)/package
package: build
	cd $(BUILD) && cpack -G DEB -B package
	@ls $(BUILD)/package/lumora_*.deb

clean:
	rm -rf $(BUILD) $(SAN_BUILD) $(TSAN_BUILD)
