# SPDX-License-Identifier: GPL-3.0-or-later
# The two commands of the README: `make run` and `make test`. Both install what is missing,
# configure and build into build/, and are quick when nothing changed.
BUILD ?= build
JOBS ?= $(shell nproc)
CTEST_ARGS ?=

.PHONY: run test build deps test-deps configure bench crash-test fuzz package clean

run: deps build
	./$(BUILD)/quillbox

test: test-deps build
	cd $(BUILD) && ctest --output-on-failure -j$(JOBS) $(CTEST_ARGS)

deps:
	@tools/install-deps.sh run

test-deps:
	@tools/install-deps.sh test

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja

configure: $(BUILD)/build.ninja

build: configure
	cmake --build $(BUILD) -j$(JOBS)

# The Debian package build/quillbox_<version>_<arch>.deb (CPack).
package: build
	@tools/install-deps.sh package
	cd $(BUILD) && cpack -G DEB

bench: test-deps build
	cmake --build $(BUILD) --target bench

crash-test: test-deps build
	cmake --build $(BUILD) --target crash-test

fuzz:
	@tools/install-deps.sh fuzz
	cmake -S . -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++-16 -DQB_FUZZ=ON -DQB_BUILD_TESTS=OFF -DQB_BUILD_BENCH=OFF
	cmake --build build-fuzz --target fuzz

clean:
	rm -rf $(BUILD)
