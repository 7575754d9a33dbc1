# The README's commands. Every target installs what is missing first.
PRESET ?= release
BUILD := build/$(PRESET)
P ?= stelmo

.PHONY: deps build test demo run asan tsan cores docs package fuzz clean

deps:
	@scripts/install-deps.sh

build: deps
	@cmake --preset $(PRESET) >/dev/null
	@cmake --build --preset $(PRESET)

test: build
	@cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure

demo: build
	@scripts/demo.sh $(BUILD)

run: build
	@$(BUILD)/$(P)/$(P)

asan: deps
	@cmake --preset asan >/dev/null
	@cmake --build --preset asan
	@cd build/asan && QT_QPA_PLATFORM=offscreen ctest --output-on-failure

# The machine controller's driver and window tests under ThreadSanitizer:
# only those targets are built.
tsan: deps
	@cmake --preset tsan >/dev/null
	@cmake --build --preset tsan
	@QT_QPA_PLATFORM=offscreen ctest --preset tsan

# The cores and their tests built without Qt: no Qt
# package may be found, and the test cores_link_no_qt fails when anything
# built links a Qt library.
cores: deps
	@cmake --preset cores >/dev/null
	@cmake --build --preset cores
	@ctest --preset cores

# The French user guide: the programs' windows rendered offscreen on the
# examples, then build/release/docs/guide.html beside its images/.
docs: deps
	@cmake --preset release >/dev/null
	@cmake --build --preset release
	@cmake --build --preset release --target docs

# The Debian package of the five programs and the guide, from the release
# build: build/release/ostrelo_<version>_amd64.deb.
package: docs
	@cd build/release && cpack -G DEB

# Every reader fuzzed MINUTES minutes (TARGETS="a b": those only), then its
# inputs replayed under the sanitizers: scripts/fuzz.sh.
MINUTES ?= 20
TARGETS ?=
fuzz: deps
	@MINUTES=$(MINUTES) TARGETS="$(TARGETS)" scripts/fuzz.sh

clean:
	@rm -rf build demo-out
