# Thin doors over CMake. `make run` and `make test` also install what is missing.
BUILD      ?= build
ASAN_BUILD ?= build-asan
BENCH_BUILD ?= build-bench
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
FUZZ_RSS_MB ?= 2048
# The corpus holds a 10 MB seed; longer mutations than this only slow the search.
FUZZ_MAX_LEN ?= 4096
PROGRAM_DIR = $(BUILD)/bin
DEB_BUILD ?= build-deb
# `make install` is per user unless told otherwise: sudo make install PREFIX=/usr/local
PREFIX ?= $(HOME)/.local

WIN_BUILD ?= build-win

.PHONY: all configure build deps dev-deps run test bench fuzz asan clean format install uninstall deb \
	windows-deps windows-tree windows windows-installer test-windows

all: build

configure:
	@test -f $(BUILD)/build.ninja || cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: configure
	cmake --build $(BUILD)

deps:
	@sh scripts/install-deps.sh

dev-deps:
	@sh scripts/install-deps.sh --dev

# Only the program and its folder (the working database, the help file): the
# tests and fuzz targets wait for `make test`.
run: deps configure
	cmake --build $(BUILD) --target ZTADRCNV program_folder
	$(PROGRAM_DIR)/ZTADRCNV

test: deps build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure --timeout 300

install: deps build
	cmake --install $(BUILD) --prefix "$(PREFIX)"

# Undoes the last `make install` into PREFIX from its manifest; the users'
# databases and output files, in folders of their own, stay.
uninstall:
	cmake -DMANIFEST=$(CURDIR)/$(BUILD)/install_manifest.txt -DPREFIX="$(PREFIX)" \
	  -DEMPTY_DB=$(CURDIR)/$(BUILD)/packaging/empty.mdb -P packaging/uninstall.cmake

# A Debian package installing under /usr, from a Release tree of its own; the
# package's path is the last line printed.
deb:
	@sh scripts/install-deps.sh --deb
	@test -f $(DEB_BUILD)/build.ninja || cmake -S . -B $(DEB_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release \
	  -DZT_BUILD_TESTS=OFF -DCMAKE_INSTALL_PREFIX=/usr
	cmake --build $(DEB_BUILD)
	cd $(DEB_BUILD) && cpack -G DEB
	@ls -t $(CURDIR)/$(DEB_BUILD)/*.deb | head -n 1

# Import and writers on 10,000 and 100,000 synthetic cards, in a Release build.
# BENCH_ARGS="--cards N --keep DIR" runs one size and keeps its files.
bench: deps
	@test -f $(BENCH_BUILD)/build.ninja || cmake -S . -B $(BENCH_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DZT_BUILD_TESTS=OFF
	cmake --build $(BENCH_BUILD) --target bench
	$(BENCH_BUILD)/bench/bench $(BENCH_ARGS)

# The whole suite again, built with AddressSanitizer and UndefinedBehaviorSanitizer;
# any report fails the run.
asan: deps
	@test -f $(ASAN_BUILD)/build.ninja || cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZT_SANITIZE=ON
	cmake --build $(ASAN_BUILD)
	cd $(ASAN_BUILD) && QT_QPA_PLATFORM=offscreen \
	  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:detect_stack_use_after_return=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --output-on-failure --timeout 600

# Each libFuzzer target for FUZZ_SECONDS (60 by default). The committed seeds
# stay untouched; new inputs go to the build folder. Any crash, hang, leak or
# sanitizer report fails the run. The targets start no GUI, so unlike the test
# suite they run without leak suppressions: every leak counts. A failing input
# is left as $(FUZZ_BUILD)/crash-*, leak-*, timeout-* or oom-*.
# ASan's record of allocation stacks grows by about 1 KB per input (Qt's
# frames unwind into ever new garbage), so a run of many minutes may need
# FUZZ_RSS_MB raised to stay clear of the memory limit.
FUZZERS = fuzz_cp932 fuzz_import fuzz_csv_field fuzz_card_properties
fuzz: dev-deps
	@test -f $(FUZZ_BUILD)/build.ninja || CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja \
	  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZT_FUZZ=ON -DZT_BUILD_TESTS=OFF
	cmake --build $(FUZZ_BUILD) --target $(FUZZERS)
	@for f in $(FUZZERS); do \
	  name=$${f#fuzz_}; mkdir -p $(FUZZ_BUILD)/corpus/$$name; \
	  echo "== $$f ($(FUZZ_SECONDS) s)"; \
	  ASAN_OPTIONS=detect_leaks=1 \
	  $(FUZZ_BUILD)/fuzz/$$f -max_total_time=$(FUZZ_SECONDS) -timeout=10 -max_len=$(FUZZ_MAX_LEN) -rss_limit_mb=$(FUZZ_RSS_MB) \
	    -artifact_prefix=$(FUZZ_BUILD)/ $(FUZZ_BUILD)/corpus/$$name tests/fuzz-corpus/$$name || exit 1; \
	done

# --- Windows: cross-built here with MinGW, tested under Wine -----------------
# Qt and SQLite for Windows are built once from Debian's source packages into
# ~/.cache/ztadrcnv (about 45 minutes on two cores) and reused by every later
# run; the host build makes the empty database, so it is the same file.
windows-deps:
	@sh scripts/windows-deps.sh

windows-tree: deps windows-deps
	@test -f $(BUILD)/build.ninja || cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD) --target ztadrcnv-mkdb
	@qt=$$(sh scripts/build-qt-windows.sh | tail -n 1) && \
	if [ "$$(cat $(WIN_BUILD)/qt-prefix 2>/dev/null)" != "$$qt" ] || [ ! -f $(WIN_BUILD)/build.ninja ]; then \
	  cmake -S . -B $(WIN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release \
	    -DCMAKE_TOOLCHAIN_FILE=$$qt/lib/cmake/Qt6/qt.toolchain.cmake \
	    -DZT_HOST_MKDB=$(CURDIR)/$(BUILD)/src/db/ztadrcnv-mkdb && \
	  echo "$$qt" > $(WIN_BUILD)/qt-prefix; \
	fi

# build-win/ZTADRCNV-<version>-win64.zip: the program folder to unpack and run.
windows: windows-tree
	cmake --build $(WIN_BUILD) --target ZTADRCNV empty_database
	@sh scripts/package-windows.sh . $(WIN_BUILD) "$$(cat $(WIN_BUILD)/qt-prefix)"

# build-win/ZTADRCNV-<version>-setup.exe: installs for every user under Program Files.
windows-installer: windows
	@sh scripts/make-installer.sh . $(WIN_BUILD)

# The test suite built for Windows and run under Wine, on a virtual display.
test-windows: windows-tree
	cmake --build $(WIN_BUILD)
	cd $(WIN_BUILD) && xvfb-run -a -s "-screen 0 1280x1024x24" ctest --output-on-failure --timeout 600

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(BENCH_BUILD) $(FUZZ_BUILD) $(DEB_BUILD) $(WIN_BUILD)

format:
	find src tests bench fuzz -name '*.cpp' -o -name '*.h' 2>/dev/null | xargs clang-format -i
