# make run   builds everything and starts the runner on the bundled sample schedule.
# make test  builds everything and runs every test (native, under Wine, fuzzing).
# make build builds only. Each first installs what a fresh Debian 12 machine lacks.
# The Wine steps run the 32-bit programs, or the 64-bit build where the host runs no
# 32-bit code (tools/wine_host.sh; TARVILO_WINE_ARCH=32 or 64 forces either).
# make smoke32 runs the 32-bit programs that ship once on the sample schedule: directly where
#              Wine's 32-bit loader runs, through qemu-user where the kernel runs no 32-bit
#              code (tools/smoke32.sh; .ci/run calls it after make test).
# make mutate  plants faults in the core one at a time and reports which the tests catch,
#              the older core and the newer files each with its own figure (a private copy
#              of the committed sources; slow, not part of make test).
# make dist    builds the programs and packs build/dist/tarvilo-<version>-win32.zip.
# make screenshots  takes the pictures in docs/images/ of the programs under Wine.
.PHONY: all build bootstrap native win32 win64 test smoke32 run clean format mutate dist screenshots

JOBS ?= $(shell nproc)
MAKEFLAGS += --no-print-directory

all: build

bootstrap:
	@tools/bootstrap.sh

win32: bootstrap
	@cmake -S . -B build/win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake \
	  -DCMAKE_BUILD_TYPE=Release -Wno-dev --no-warn-unused-cli >/dev/null
	@cmake --build build/win32 -j $(JOBS)

# The same programs for 64-bit Windows: the tests and `make run` use them on a host whose
# kernel runs no 32-bit code (tools/wine_host.sh decides); only the 32-bit build ships.
win64: bootstrap
	@cmake -S . -B build/win64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake \
	  -DTARVILO_BIN_DIR=$(CURDIR)/build/bin64 \
	  -DCMAKE_BUILD_TYPE=Release -Wno-dev --no-warn-unused-cli >/dev/null
	@cmake --build build/win64 -j $(JOBS)

native: bootstrap
	@cmake -S . -B build/native -DCMAKE_BUILD_TYPE=Debug >/dev/null
	@cmake --build build/native -j $(JOBS)

build: win32 win64 native
	@echo "Programs: $(CURDIR)/build/bin/"

test: build
	@tools/wine_host.sh ctest --test-dir build/native --output-on-failure

smoke32: win32 win64
	@tools/smoke32.sh

run: build
	@tools/run-sample.sh

mutate: bootstrap
	@python3 tools/mutate.py

dist: win32
	@python3 tools/make_dist.py

screenshots: build
	@tools/wine_host.sh python3 tools/screenshots.py

format:
	@clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf build
