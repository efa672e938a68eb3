# SPDX-License-Identifier: GPL-3.0-or-later
# Thin wrapper over the CMake presets; CMake is the real build.
PRESET ?= default
BUILD  := build/$(PRESET)

.PHONY: all deps configure build demo test bench asan package clean format

all: build

deps:
	@scripts/install-deps

$(BUILD)/build.ninja: | deps
	cmake --preset $(PRESET)

configure: $(BUILD)/build.ninja

build: configure
	cmake --build --preset $(PRESET)

# Starts the program on the simulated vehicle; without a display it prints the text report.
demo: build
	@if [ -n "$$DISPLAY$$WAYLAND_DISPLAY" ]; then \
	  $(BUILD)/src/app/vamrick --demo; \
	else \
	  echo "No display found: printing the text report instead of opening the window."; \
	  QT_QPA_PLATFORM=offscreen $(BUILD)/src/app/vamrick --demo --report; \
	fi

test: build
	ctest --preset $(PRESET)

bench: build
	$(BUILD)/bench/vamrick-link-bench
	$(BUILD)/bench/vamrick-elm-bench
	$(BUILD)/bench/vamrick-survey-bench
	$(BUILD)/bench/vamrick-live-bench
	$(BUILD)/bench/vamrick-report-elm-bench
	$(BUILD)/bench/vamrick-plot-bench

asan:
	$(MAKE) test PRESET=asan

# A .deb of the installed programs, data, desktop entry and manual pages, in $(BUILD).
package: build
	cd $(BUILD) && cpack

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build
