# Two entry points: `make example` converts the bundled example page, `make test` runs every test.
# Both install what they need first (scripts/install-deps is a no-op when all is there).

BUILD_DIR ?= build
SANITIZE_DIR ?= build-sanitize
JOBS ?= $(shell nproc)

.PHONY: all deps configure build example test sanitize fuzz-smoke format clean

all: build

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

example: build
	@scripts/run-example $(BUILD_DIR)

test: build
	@cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)
	@scripts/fuzz-smoke

# The whole test suite again under AddressSanitizer and UndefinedBehaviorSanitizer. A test that
# fails is run once more: the leak checker of this toolchain now and then crashes at exit while
# it walks the thread-local blocks of a module loaded at run time (the Qt window tests), which is
# no fault of the test; a real report comes back the second time.
sanitize: deps
	@cmake -S . -B $(SANITIZE_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTALLYVANE_SANITIZE=ON >/dev/null
	@cmake --build $(SANITIZE_DIR) -j $(JOBS)
	@cd $(SANITIZE_DIR) && LSAN_OPTIONS=suppressions=$(CURDIR)/scripts/lsan.supp \
		ctest --output-on-failure -j $(JOBS) --repeat until-pass:2

fuzz-smoke: deps
	@scripts/fuzz-smoke

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD_DIR) $(SANITIZE_DIR) build-fuzz
