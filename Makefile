# The front door: `make run` starts Snibbet, `make test` runs the tests.
# Both install what is missing from Debian's packages first.

BUILD   ?= build
PREFIX  ?= $(HOME)/.local/opt/snibbet
JOBS    ?= $(shell nproc)
CMAKE_FLAGS ?=

SANITIZED ?= build-sanitized

.PHONY: deps configure build install run test test-sanitized package bench screenshot clean

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

# The library lives beside the executable, so the program is installed into a
# folder of its own and started there: a clean rebuild never touches it.
install: build
	@cmake --install $(BUILD) --prefix $(PREFIX) >/dev/null
	@echo "Snibbet is installed in $(PREFIX); your library is $(PREFIX)/Snibbet.mdb"

run: install
	@$(PREFIX)/snibbet

# The whole suite, then once more under AddressSanitizer and
# UndefinedBehaviorSanitizer.
test: build
	@cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)
	@$(MAKE) --no-print-directory test-sanitized

test-sanitized: deps
	@cmake -S . -B $(SANITIZED) -DCMAKE_BUILD_TYPE=Debug -DSNIBBET_SANITIZE=ON >/dev/null
	@cmake --build $(SANITIZED) -j $(JOBS)
	@cd $(SANITIZED) && QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
		UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ctest --output-on-failure -j $(JOBS)

# A tar.gz holding a folder with the program, its icon and a desktop entry.
package: build
	@cd $(BUILD) && cpack -G TGZ >/dev/null && ls -1 $(CURDIR)/$(BUILD)/snibbet-*.tar.gz

bench: build
	@bench/run $(BUILD)

screenshot: build
	@scripts/screenshot $(BUILD)

clean:
	@rm -rf $(BUILD) $(SANITIZED)
