# Set-up and everyday commands; CMake does the real work. Each target installs
# only what it needs and turns the suite and the benchmark on or off itself, so
# one build dir can serve them all.
BUILD ?= build
ASAN_BUILD ?= build-asan
JOBS ?= $(shell nproc)
CONFIGURE = cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo

.PHONY: deps build run test test-asan bench screenshot clean

# Everything any of the targets below needs.
deps:
	@scripts/install-deps.sh run test bench screenshot

# The program, the suite and the benchmark.
build:
	@scripts/install-deps.sh test bench
	$(CONFIGURE) -DPYRO_TESTS=ON -DPYRO_BENCH=ON $(CMAKE_FLAGS) >/dev/null
	cmake --build $(BUILD) -j $(JOBS)

# Installs, builds and starts the program alone (needs an X display): no
# googletest, no test tools.
run:
	@scripts/install-deps.sh run
	$(CONFIGURE) -DPYRO_TESTS=OFF -DPYRO_BENCH=OFF $(CMAKE_FLAGS) >/dev/null
	cmake --build $(BUILD) -j $(JOBS) --target pyrovantika
	cd $(BUILD) && ./pyrovantika

# Installs, builds and runs the whole suite headless. Warnings are errors
# here, for the developers and CI; a plain build only reports them. The
# benchmark is built too, so CI keeps it compiling.
test: CMAKE_FLAGS += -DPYRO_WERROR=ON
test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# The same suite built with AddressSanitizer and UBSan.
test-asan:
	@scripts/install-deps.sh test bench
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DPYRO_TESTS=ON -DPYRO_SANITIZE=ON -DPYRO_WERROR=ON >/dev/null
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp ctest --output-on-failure -j $(JOBS)

# The benchmark needs the program and the X probe, not the suite.
bench:
	@scripts/install-deps.sh bench
	$(CONFIGURE) -DPYRO_TESTS=OFF -DPYRO_BENCH=ON $(CMAKE_FLAGS) >/dev/null
	cmake --build $(BUILD) -j $(JOBS) --target bench_driver
	scripts/bench.sh $(BUILD)

screenshot:
	@scripts/install-deps.sh screenshot
	$(CONFIGURE) -DPYRO_TESTS=OFF -DPYRO_BENCH=OFF $(CMAKE_FLAGS) >/dev/null
	cmake --build $(BUILD) -j $(JOBS) --target pyrovantika
	scripts/screenshot.sh $(BUILD)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD)
