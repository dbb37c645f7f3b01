# make run   - install missing packages, build, start zav
# make test  - install missing packages, build, run every test (headless)
BUILD      ?= build
BUILD_SAN  ?= build-san
JOBS       ?= $(shell nproc)
BUILD_TYPE ?= RelWithDebInfo
TEST_ENV    = QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8

.PHONY: deps configure build run test test-sanitize bench clean

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

clean:
	rm -rf $(BUILD) $(BUILD_SAN)
