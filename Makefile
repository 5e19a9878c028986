# The two commands a newcomer needs: `make run` and `make test`.
# Each installs the Debian packages that are missing (as root; otherwise it
# prints the apt-get line to run), configures and builds.

BUILD      ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
JOBS       ?= $(shell nproc)
CMAKE_ARGS ?=

# binutils-avr and srecord are the peers the image-file tests compare against.
PACKAGES := cmake ninja-build g++ make libgtest-dev libgmock-dev libbenchmark-dev binutils-avr srecord

# libFuzzer and its sanitizer runtimes come with clang; only `make fuzz` needs them.
FUZZ_PACKAGES := cmake ninja-build g++ make clang libclang-rt-14-dev
FUZZ_TARGETS  := hex ini project settings command_line cli_options protocol

.PHONY: all deps configure build run test asan fuzz bench clean

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

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

asan: deps
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUORVA_SANITIZE=ON $(CMAKE_ARGS)
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --output-on-failure -j $(JOBS)

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

bench: build
	@for b in $(BUILD)/bench/*_bench; do echo "== $$b"; $$b; done

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)
