# The two commands a newcomer needs: `make run` and `make test`.
# Each installs the Debian packages that are missing (as root; otherwise it
# prints the apt-get line to run), configures and builds.

BUILD      ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
TIDY_BUILD ?= build-tidy
FUZZ_SECONDS ?= 60
JOBS       ?= $(shell nproc)
CMAKE_ARGS ?=

# The man pages are written by help2man and checked with groff and man; the
# .deb's Depends come from dpkg-shlibdeps and lintian checks it; the desktop
# entry, the AppStream listing and the MIME type are checked with their own
# tools. Defined before PACKAGES, which `:=` expands at once.
INSTALL_PACKAGES := help2man groff-base man-db dpkg-dev lintian desktop-file-utils appstream shared-mime-info

# binutils-avr and srecord are the peers the image-file tests compare against,
# avrdude's part database the simulator's chip table's, and python3 reads the
# command line program's JSON as a script would. The window is Qt 6 Widgets;
# Qt6Gui's CMake config wants libgl-dev, the offscreen tests need one font,
# and rsvg-convert draws the icon's sizes. Production records live in SQLite
# or PostgreSQL; the server tests start their own postgresql. A test whose
# tool is missing is skipped with the reason, and fails under CI=true.
PACKAGES := cmake ninja-build g++ make libgtest-dev libgmock-dev libbenchmark-dev binutils-avr srecord avrdude \
            python3 qt6-base-dev libgl-dev fonts-dejavu-core librsvg2-bin libsqlite3-dev libpq-dev postgresql \
            $(INSTALL_PACKAGES)

# libFuzzer and its sanitizer runtimes come with clang; only `make fuzz` needs them.
FUZZ_PACKAGES := cmake ninja-build g++ make clang libclang-rt-14-dev libsqlite3-dev libpq-dev
FUZZ_TARGETS  := hex ini project settings command_line cli_options protocol

# The static checks: clang-tidy (its run-clang-tidy runs the files in
# parallel) and clang-format.
TIDY_PACKAGES   := $(PACKAGES) clang-tidy
FORMAT_PACKAGES := git clang-format

.PHONY: all deps configure build run test asan fuzz tidy format-check bench package clean

all: build

deps:
	@missing=""; \
	for p in $(PACKAGES); do dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "ok installed" || missing="$$missing $$p"; done; \
	if [ -n "$$missing" ]; then \
	  if [ "$$(id -u)" = 0 ]; then \
	    echo "Installing:$$missing"; \
	    apt-get update -q && DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends $$missing; \
	  else \
	    echo "Missing packages. Install them with:"; \
	    echo "  sudo apt-get install -y$$missing"; \
	    exit 1; \
	  fi; \
	fi

configure: deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVA_BUILD_BENCH=ON $(CMAKE_ARGS)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	@tools/run-demo.sh $(BUILD)

# ctest names the skipped tests; skip_reasons.awk says why each was skipped.
test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS); status=$$?; \
	  awk -f $(CURDIR)/tests/skip_reasons.awk Testing/Temporary/LastTest.log; exit $$status

asan: deps
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUORVA_SANITIZE=ON $(CMAKE_ARGS)
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --output-on-failure -j $(JOBS); status=$$?; \
	  awk -f $(CURDIR)/tests/skip_reasons.awk Testing/Temporary/LastTest.log; exit $$status

# Each target runs for FUZZ_SECONDS over a copy of its corpus (the tree stays
# clean); a failing input is left in $(FUZZ_BUILD)/runs/<target>/.
fuzz:
	@$(MAKE) --no-print-directory deps PACKAGES="$(FUZZ_PACKAGES)"
	cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DQUORVA_FUZZ=ON -DQUORVA_BUILD_TESTS=OFF $(CMAKE_ARGS)
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target $(FUZZ_TARGETS:%=%_fuzz)
	@for t in $(FUZZ_TARGETS); do \
	  work=$(FUZZ_BUILD)/runs/$$t; rm -rf $$work; mkdir -p $$work/corpus; cp fuzz/corpus/$$t/* $$work/corpus/; \
	  echo "== $$t: $(FUZZ_SECONDS) s"; \
	  if ! UBSAN_OPTIONS=print_stacktrace=1 ./$(FUZZ_BUILD)/fuzz/$${t}_fuzz -max_total_time=$(FUZZ_SECONDS) -timeout=10 \
	      -print_final_stats=1 -artifact_prefix=$$PWD/$$work/ $$work/corpus >$$work/log 2>&1; then \
	    tail -n 60 $$work/log; echo "$$t failed; the input is in $$work/"; exit 1; \
	  fi; \
	  grep -E '^#[0-9]+[[:space:]]+DONE' $$work/log; \
	done

# clang-tidy with the checks of .clang-tidy over src/ and tools/, on the
# compile database of a normal configure (nothing is built); any finding fails.
tidy:
	@$(MAKE) --no-print-directory deps PACKAGES="$(TIDY_PACKAGES)"
	cmake -S . -B $(TIDY_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_ARGS) >/dev/null
	@echo "== clang-tidy over src/ and tools/ ($(JOBS) at a time)"
	@run-clang-tidy -p $(TIDY_BUILD) -j $(JOBS) -quiet '^$(CURDIR)/(src|tools)/' >$(TIDY_BUILD)/tidy.log 2>&1; \
	  status=$$?; \
	  sed 's/\x1b\[[0-9;]*m//g' $(TIDY_BUILD)/tidy.log | grep -vE '^(clang-tidy|[0-9]+ warnings? generated)'; \
	  exit $$status

# clang-format on the lines of C++ files the last commit added or changed
# (all of them when it is the only commit); the rest keeps its hand layout.
format-check:
	@$(MAKE) --no-print-directory deps PACKAGES="$(FORMAT_PACKAGES)"
	@if git rev-parse -q --verify HEAD~1 >/dev/null; then base=HEAD~1; \
	elif [ "$$(git rev-parse --is-shallow-repository)" = true ]; then \
	  echo "format-check: a shallow clone without the previous commit; nothing to compare"; exit 0; \
	else base=$$(git hash-object -t tree /dev/null); fi; \
	status=0; \
	for f in $$(git diff --name-only --diff-filter=ACMR $$base HEAD -- '*.cpp' '*.h'); do \
	  lines=$$(git diff -U0 $$base HEAD -- "$$f" | sed -n 's/^@@ -[0-9,]* +\([0-9]*\)\(,\([0-9]*\)\)\{0,1\} @@.*/\1 \3/p' | \
	    awk '{ n = ($$2 == "") ? 1 : $$2; if (n > 0) printf " --lines=%d:%d", $$1, $$1 + n - 1 }'); \
	  [ -z "$$lines" ] || clang-format --dry-run -Werror $$lines "$$f" || status=1; \
	done; \
	[ $$status = 0 ] && echo "format-check: the changed lines are formatted"; \
	exit $$status

bench: build
	@for b in $(BUILD)/bench/*_bench; do echo "== $$b"; $$b; done

# quorva_<version>_amd64.deb in $(BUILD), with everything `cmake --install` puts in place.
package: build
	cmake --build $(BUILD) --target package

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD) $(TIDY_BUILD)
