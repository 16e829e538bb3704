# make run   builds everything and starts the runner on the bundled sample schedule.
# make test  builds everything and runs every test (native, under Wine, fuzzing).
# make build builds only. Each first installs what a fresh Debian 12 machine lacks.
# make mutate  plants faults in the core one at a time and reports which the tests catch
#              (a private copy of the committed sources; slow, not part of make test).
# make dist    builds the programs and packs build/dist/tarvilo-<version>-win32.zip.
# make screenshots  takes the pictures in docs/images/ of the programs under Wine.
.PHONY: all build bootstrap native win32 test run clean format mutate dist screenshots

JOBS ?= $(shell nproc)
MAKEFLAGS += --no-print-directory

all: build

bootstrap:
	@tools/bootstrap.sh

win32: bootstrap
	@cmake -S . -B build/win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake \
	  -DCMAKE_BUILD_TYPE=Release -Wno-dev --no-warn-unused-cli >/dev/null
	@cmake --build build/win32 -j $(JOBS)

native: bootstrap
	@cmake -S . -B build/native -DCMAKE_BUILD_TYPE=Debug >/dev/null
	@cmake --build build/native -j $(JOBS)

build: win32 native
	@echo "Programs: $(CURDIR)/build/bin/"

test: build
	@ctest --test-dir build/native --output-on-failure

run: build
	@tools/run-sample.sh

mutate: bootstrap
	@python3 tools/mutate.py

dist: win32
	@python3 tools/make_dist.py

screenshots: build
	@python3 tools/screenshots.py

format:
	@clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf build
