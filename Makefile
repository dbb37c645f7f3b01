# make run   - install missing packages, build, start zav
# make test  - install missing packages, build, run every test (headless)
# make fuzz  - run every fuzz target FUZZ_SECONDS (60) each; new faults join tests/corpus/
# make soak  - kill the recording program SOAK_ROUNDS (1000) times and check the data file
# make load  - LOAD_REQUESTS (100000) web requests, slow clients and slow readers against the web server
BUILD      ?= build
BUILD_SAN  ?= build-san
JOBS       ?= $(shell nproc)
BUILD_TYPE ?= RelWithDebInfo
TEST_ENV    = QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8

BUILD_FUZZ ?= build-fuzz
FUZZ_SECONDS ?= 60
SOAK_ROUNDS ?= 1000
LOAD_REQUESTS ?= 100000

.PHONY: deps configure build run test test-sanitize fuzz soak load bench clean

deps:
	@scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	./$(BUILD)/zav $(ARGS)

test: build
	cd $(BUILD) && $(TEST_ENV) ctest --output-on-failure -j $(JOBS) --timeout 300

# The same tests built with AddressSanitizer and UndefinedBehaviorSanitizer.
test-sanitize: deps
	@cmake -S . -B $(BUILD_SAN) -DCMAKE_BUILD_TYPE=Debug -DZAV_SANITIZE=ON -DZAV_BENCH=OFF >/dev/null
	@cmake --build $(BUILD_SAN) -j $(JOBS)
	cd $(BUILD_SAN) && $(TEST_ENV) ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
	  ctest --output-on-failure -j $(JOBS) --timeout 600

# Fuzz targets with libFuzzer (clang-14, build-fuzz/); a crash or hang found is added to
# tests/corpus/<target>/ as a regression case.
fuzz:
	FUZZ_SECONDS=$(FUZZ_SECONDS) BUILD_FUZZ=$(BUILD_FUZZ) JOBS=$(JOBS) scripts/fuzz.sh $(TARGETS)

# SIGKILL while recording from the simulator, SOAK_ROUNDS times; not part of make test.
soak: build
	$(TEST_ENV) ./$(BUILD)/zav_soak --rounds $(SOAK_ROUNDS) --build $(BUILD)

# The web server's load tests with the long run; make test runs them with 5,000 requests.
load: build
	$(TEST_ENV) ZAV_WEB_LOAD_REQUESTS=$(LOAD_REQUESTS) ./$(BUILD)/tests/test_web \
	  --gtest_filter='WebServerTest.manyRequests*:WebServerTest.slowClients*:WebServerTest.slowReaders*:WebServerTest.clientThatStops*'

clean:
	rm -rf $(BUILD) $(BUILD_SAN) $(BUILD_FUZZ)
