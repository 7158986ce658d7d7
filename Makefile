# Set-up and everyday commands; CMake does the real work.
BUILD ?= build
ASAN_BUILD ?= build-asan
JOBS ?= $(shell nproc)

.PHONY: deps build run test test-asan bench screenshot clean

deps:
	@scripts/install-deps.sh

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS) >/dev/null
	cmake --build $(BUILD) -j $(JOBS)

# Installs, builds and starts the program (needs an X display).
run: build
	cd $(BUILD) && ./pyrovantika

# Installs, builds and runs the whole suite headless. Warnings are errors
# here, for the developers and CI; a plain build only reports them.
test: CMAKE_FLAGS += -DPYRO_WERROR=ON
test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# The same suite built with AddressSanitizer and UBSan.
test-asan: deps
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DPYRO_SANITIZE=ON -DPYRO_WERROR=ON >/dev/null
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp ctest --output-on-failure -j $(JOBS)

bench: build
	scripts/bench.sh $(BUILD)

screenshot: build
	scripts/screenshot.sh $(BUILD)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD)
