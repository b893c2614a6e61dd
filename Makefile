# The front door: `make run` starts Snibbet, `make test` runs the tests.
# Both install what is missing from Debian's packages first.

BUILD   ?= build
APP_BUILD ?= build-app
PREFIX  ?= $(HOME)/.local/opt/snibbet
JOBS    ?= $(shell nproc)
CMAKE_FLAGS ?=

SANITIZED ?= build-sanitized
SOURCES := $(shell git ls-files '*.cpp' '*.h' 2>/dev/null)

.PHONY: deps app configure build install run test lint format test-sanitized package bench screenshot clean

deps:
	@scripts/install-deps

# The program alone, without the tests and benchmarks: what `make run` builds.
app: deps
	@cmake -S . -B $(APP_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSNIBBET_BUILD_TESTS=OFF \
		$(CMAKE_FLAGS) >/dev/null
	@cmake --build $(APP_BUILD) -j $(JOBS)

# Everything, with every warning an error: what the tests run on.
configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSNIBBET_WERROR=ON $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

# The library lives beside the executable, so the program is installed into a
# folder of its own and started there: a clean rebuild never touches it.
install: app
	@cmake --install $(APP_BUILD) --prefix $(PREFIX) >/dev/null
	@echo "Snibbet is installed in $(PREFIX); your library is $(PREFIX)/Snibbet.mdb"

run: install
	@$(PREFIX)/snibbet

# The format and clang-tidy checks, the whole suite, then the suite once more
# under AddressSanitizer and UndefinedBehaviorSanitizer.
test: build lint
	@cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)
	@$(MAKE) --no-print-directory test-sanitized

# The code as .clang-format writes it, and clean under .clang-tidy's checks.
lint: build
	@clang-format --dry-run -Werror $(SOURCES)
	@run-clang-tidy -quiet -p $(BUILD) -j $(JOBS) '$(CURDIR)/(src|bench)/.*\.cpp$$' >$(BUILD)/clang-tidy.log 2>&1 \
		|| { grep -E 'warning:|error:' -A3 $(BUILD)/clang-tidy.log; exit 1; }

format:
	@clang-format -i $(SOURCES)

test-sanitized: deps
	@cmake -S . -B $(SANITIZED) -DCMAKE_BUILD_TYPE=Debug -DSNIBBET_SANITIZE=ON -DSNIBBET_WERROR=ON >/dev/null
	@cmake --build $(SANITIZED) -j $(JOBS)
	@cd $(SANITIZED) && QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
		UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ctest --output-on-failure -j $(JOBS)

# A tar.gz holding a folder with the program, its icon and a desktop entry.
package: build
	@cd $(BUILD) && cpack -G TGZ >/dev/null && ls -1 $(CURDIR)/$(BUILD)/snibbet-*.tar.gz

bench: build
	@$(BUILD)/bench/snibbet_bench

screenshot: build
	@scripts/screenshot $(BUILD)

clean:
	@rm -rf $(BUILD) $(APP_BUILD) $(SANITIZED)

