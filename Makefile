# The README's commands. Everything builds out of tree under build/.

JOBS ?= $(shell nproc)
DEBUG := build/debug
RELEASE := build/release
FUZZ := build/fuzz
CLI := $(RELEASE)/src/ortelan-cli

.PHONY: all build debug test run bench fuzz clean format

all: build

build:
	cmake --preset release >/dev/null
	cmake --build $(RELEASE) -j $(JOBS)

debug:
	cmake --preset debug >/dev/null
	cmake --build $(DEBUG) -j $(JOBS)

# The tests run in the sanitizer build.
test: debug
	ctest --test-dir $(DEBUG) --output-on-failure -j $(JOBS)

# Lists the connected iPods.
run: build
	$(CLI) devices

bench: build
	bench/copy_device_file.sh $(RELEASE)

fuzz:
	cmake --preset fuzz >/dev/null
	cmake --build $(FUZZ) -j $(JOBS)

format:
	find src tests bench fuzz tools -name '*.cpp' -o -name '*.h' | xargs clang-format -i

clean:
	rm -rf build
