# Convenience targets over CMake. `make run` and `make test` do all the set-up
# on a fresh Debian 12 machine, including the system packages. K7_WERROR=ON
# in the environment (or on the command line) builds with -Werror.
BUILD ?= build
JOBS  ?= $(shell nproc)
EXAMPLE_DIR ?= $(or $(XDG_RUNTIME_DIR),/tmp)/k7-example

.PHONY: deps configure build run test bench bench-scale package clean

deps:
	@bash scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(if $(K7_WERROR),-DK7_WERROR=$(K7_WERROR)) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

# The example CFG is copied out of the checkout so its database (and the
# rewritten CFG) are made beside the copy, never in the source tree.
run: configure
	@cmake --build $(BUILD) -j $(JOBS) --target k7
	@mkdir -p $(EXAMPLE_DIR)
	@[ -f $(EXAMPLE_DIR)/finds.cfg ] || cp examples/finds.cfg $(EXAMPLE_DIR)/finds.cfg
	@echo "Example CFG and database: $(EXAMPLE_DIR)"
	$(BUILD)/src/k7 $(EXAMPLE_DIR)/finds.cfg

test: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

bench: build
	@for b in $(BUILD)/bench/bench_*; do [ -f $$b ] && [ -x $$b ] || continue; echo "== $$b"; $$b || exit 1; done

# The save, open, grid and grid-tool benches at 100,000, 1,000,000 and
# 10,000,000 rows, each figure with its growth from the smallest size. The
# tables are made once and kept under $(XDG_CACHE_HOME)/k7-bench (~/.cache).
bench-scale: build
	@bash bench/scale.sh $(BUILD)

# The Debian package k7_VERSION_ARCH.deb, built without tests or benchmarks
# in a folder of its own; `make package` inside a build folder does the same.
PACKAGE_BUILD ?= build-package
package: deps
	@cmake -S . -B $(PACKAGE_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF -DK7_BENCHMARKS=OFF $(if $(K7_WERROR),-DK7_WERROR=$(K7_WERROR)) >/dev/null
	@cmake --build $(PACKAGE_BUILD) -j $(JOBS) --target package

clean:
	@rm -rf $(BUILD)
