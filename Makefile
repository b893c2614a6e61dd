# The front door: `make run` starts Snibbet, `make test` runs the tests.
# Both install what is missing from Debian's packages first.

BUILD   ?= build
PREFIX  ?= $(HOME)/.local/opt/snibbet
JOBS    ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: deps configure build install run test bench screenshot clean

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

test: build
	@cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

bench: build
	@bench/run $(BUILD)

screenshot: build
	@scripts/screenshot $(BUILD)

clean:
	@rm -rf $(BUILD)
