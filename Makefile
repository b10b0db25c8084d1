# The two commands of the README: `make run` and `make test`.
SHELL := /bin/bash
JOBS ?= $(shell nproc)
WINEPREFIX ?= $(CURDIR)/build/wineprefix
export WINEPREFIX
export WINEDEBUG := -all
export WINEDLLOVERRIDES := mscoree,mshtml=

.PHONY: run test deps native win32 test-native test-win32 run-win32-tests run-win64-tests sanitize fuzz bench gallery contact-sheets clean

run: deps native
	@echo "== veltrix run (opening graph)"
	build/native/app/cli/veltrix run
	@echo "== veltrix render (opening graph) -> build/opening.png"
	build/native/app/cli/veltrix render -o build/opening.png

test: deps test-native test-win32

deps:
	@scripts/install-deps

native:
	cmake --preset native >/dev/null
	cmake --build --preset native -j $(JOBS)

win32:
	cmake --preset win32 >/dev/null
	cmake --build --preset win32 -j $(JOBS)

test-native: native
	ctest --preset native -j $(JOBS)

# A machine whose kernel cannot start 32-bit programs builds the 32-bit Windows
# tests, says that it cannot run them, and runs the same tests built as 64-bit
# Windows programs under wine64 instead: the Windows runtime is still checked,
# the 32-bit sizes are not.
test-win32: win32
	@if wine --version >/dev/null 2>&1; then $(MAKE) --no-print-directory run-win32-tests; else \
	  echo "== NOT RUN: the 32-bit Windows test programs were built, but this machine cannot start"; \
	  echo "   32-bit programs (wine: $$(wine --version 2>&1 | tail -1)): the kernel lacks IA-32 emulation."; \
	  echo "== The checks of the shipped 32-bit programs need no Wine: imports, resources, size"; \
	  ctest --preset win32 -R '_image$$' || exit 1; \
	  echo "== Running the same tests as 64-bit Windows programs under wine64 instead"; \
	  $(MAKE) --no-print-directory run-win64-tests; fi

WINE64PREFIX ?= $(CURDIR)/build/wine64prefix
run-win64-tests:
	cmake --preset win64 >/dev/null
	cmake --build --preset win64 -j $(JOBS)
	@mkdir -p $(WINE64PREFIX)
	@export WINEPREFIX=$(WINE64PREFIX); \
	  [ -f $$WINEPREFIX/system.reg ] || /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1 </dev/null || true; \
	  wineserver -p >/dev/null 2>&1 || true; \
	  /usr/lib/wine/wine64 wineboot >/dev/null 2>&1 </dev/null || true; \
	  ctest --preset win64 -j $(JOBS); rc=$$?; wineserver -k >/dev/null 2>&1; exit $$rc

# Wine starts a Windows test program in about 0.1 s while a wineserver is running
# for the prefix, and in seconds without one: keep one alive for the whole run.
run-win32-tests:
	@mkdir -p $(WINEPREFIX)
	@[ -f $(WINEPREFIX)/system.reg ] || wineboot -i >/dev/null 2>&1 </dev/null || true
	@wineserver -p >/dev/null 2>&1 || true
	@# Start Wine's services now, detached from any pipe: a service started by a
	@# test program would inherit its output pipe and ctest would wait on it.
	@wineboot >/dev/null 2>&1 </dev/null || true
	ctest --preset win32 -j $(JOBS); rc=$$?; wineserver -k >/dev/null 2>&1; exit $$rc

sanitize: deps
	cmake --preset sanitize >/dev/null
	cmake --build --preset sanitize -j $(JOBS)
	ctest --preset sanitize -j $(JOBS)

FUZZ_SECONDS ?= 600
fuzz: deps
	cmake --preset fuzz >/dev/null
	cmake --build --preset fuzz -j $(JOBS)
	scripts/run-fuzzers $(FUZZ_SECONDS)

bench: deps
	cmake --preset bench >/dev/null
	cmake --build --preset bench -j $(JOBS)
	@for b in build/bench/bench/bench_*; do $$b; done

gallery: native
	scripts/make-gallery

# One contact sheet per folder of the sample library, in docs/samples.
contact-sheets: native
	scripts/make-contact-sheets

clean:
	rm -rf build
