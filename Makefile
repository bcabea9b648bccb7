# The README's commands. Everything builds out of tree under build/.

JOBS ?= $(shell nproc)
empty :=
space := $(empty) $(empty)
DEBUG := build/debug
RELEASE := build/release
FUZZ := build/fuzz
CLI := $(RELEASE)/src/ortelan-cli
PROGRAM := $(RELEASE)/src/ortelan

.PHONY: all deps build debug test run screenshots bench fuzz clean format check-format \
        install uninstall package package-check tsan-test

all: build

# The packages the build needs, installed when one is missing (as root, else
# with sudo). Asks only dpkg when everything is there.
deps:
	@scripts/install-deps --quiet

build: deps
	cmake --preset release >/dev/null
	cmake --build $(RELEASE) -j $(JOBS)

debug: deps
	cmake --preset debug >/dev/null
	cmake --build $(DEBUG) -j $(JOBS)

# The tests run in the sanitizer build.
test: debug
	ctest --test-dir $(DEBUG) --output-on-failure -j $(JOBS)

DEMO := build/demo-ipod

# The demo device, built again when its builder changed (an old one would
# lack what newer versions put on it, such as the album covers).
DEMO_SOURCES := tools/MakeDemoIpod.cpp $(wildcard tests/support/*Builder.*)
$(DEMO): $(DEMO_SOURCES)
	rm -rf $(DEMO).new
	tools/make-demo-ipod $(DEMO).new
	rm -rf $(DEMO)
	mv $(DEMO).new $(DEMO)

# The main job. On a desktop: the program's launcher, with the connected
# iPod or, when none is attached, the demo device. Without a display: the
# checked tracks of the iPod (or the demo device) are copied into a folder
# under build/; a second run finds the files in place and copies nothing new.
run: build $(DEMO)
	@if [ -n "$$DISPLAY$$WAYLAND_DISPLAY" ]; then \
	  if $(CLI) devices >/dev/null 2>&1; then \
	    echo "== Opening Ortelan with the iPod found =="; $(PROGRAM); \
	  else \
	    echo "== No iPod attached: opening Ortelan with the demo device $(DEMO) =="; \
	    $(PROGRAM) --device $(DEMO); \
	  fi; \
	elif $(CLI) devices >/dev/null 2>&1; then \
	  echo "== No display: copying the iPod's checked tracks to build/ipod-music =="; \
	  $(CLI) music copy --to build/ipod-music; \
	else \
	  echo "== No display and no iPod: copying the demo device's checked tracks to build/demo-music =="; \
	  $(CLI) music copy --device $(DEMO) --to build/demo-music; \
	fi

# Pictures of the windows in their states, rendered without a display.
screenshots: build $(DEMO)
	QT_QPA_PLATFORM=offscreen $(RELEASE)/tools/ortelan-screenshots build/screenshots $(DEMO)

bench: build
	$(RELEASE)/bench/bench-itunesdb-load
	$(RELEASE)/bench/bench-photo-export
	$(RELEASE)/bench/bench-media-library
	$(RELEASE)/bench/bench-device-paths
	$(RELEASE)/bench/bench-track-view
	$(RELEASE)/bench/bench-music-window
	$(RELEASE)/bench/bench-photo-pages
	$(RELEASE)/bench/bench-list-files
	bench/copy_device_file.sh $(RELEASE)
	bench/copy_tracks.sh $(RELEASE)
	bench/cli_copy.sh $(RELEASE)
	bench/ios_device.sh $(RELEASE)

# Installation under PREFIX (DESTDIR is honoured); the list of what was
# installed stays in the release build for make uninstall (give it the same
# DESTDIR).
PREFIX ?= /usr/local
install: build
	cmake --install $(RELEASE) --prefix $(PREFIX)

uninstall:
	@test -f $(RELEASE)/install_manifest.txt || { echo "nothing was installed from $(RELEASE)"; exit 1; }
	sed 's|^|$(DESTDIR)|' $(RELEASE)/install_manifest.txt | xargs -d '\n' rm -f --

# The Debian package, in build/release/packages.
package: build
	cd $(RELEASE) && cpack -G DEB

# The package unpacked and used: the programs, the validators, lintian.
package-check: package $(DEMO)
	scripts/check-package $(RELEASE)/packages/ortelan_*_amd64.deb $(DEMO)

# The tests of the threaded code under ThreadSanitizer.
TSAN := build/tsan
# ios-tests: the CLI against the fake iPhone, where that tool is present.
TSAN_TESTS := device-tests music-tests photo-tests app-tests ios-tests
TSAN_TARGETS := device-tests music-tests photo-tests app-tests ortelan-cli make-demo-ipod
tsan-test: deps
	cmake --preset tsan >/dev/null
	cmake --build $(TSAN) -j $(JOBS) --target $(TSAN_TARGETS)
	cd $(TSAN) && ctest --output-on-failure -R '^($(subst $(space),|,$(TSAN_TESTS)))$$'

fuzz: deps
	cmake --preset fuzz >/dev/null
	cmake --build $(FUZZ) -j $(JOBS)

# One clang-format version for everyone: the one scripts/install-deps installs.
CLANG_FORMAT := clang-format-14
SOURCES = $(shell git ls-files '*.cpp' '*.h')

format: deps
	$(CLANG_FORMAT) -i $(SOURCES)

check-format: deps
	@$(CLANG_FORMAT) --dry-run --Werror $(SOURCES) && echo "check-format: $(words $(SOURCES)) files as $(CLANG_FORMAT) lays them out"

clean:
	rm -rf build
