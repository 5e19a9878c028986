# The two commands a newcomer needs: `make run` and `make test`.
# Each installs the Debian packages that are missing (as root; otherwise it
# prints the apt-get line to run), configures and builds.

BUILD      ?= build
ASAN_BUILD ?= build-asan
JOBS       ?= $(shell nproc)
CMAKE_ARGS ?=

# binutils-avr and srecord are the peers the image-file tests compare against.
PACKAGES := cmake ninja-build g++ make libgtest-dev libgmock-dev libbenchmark-dev binutils-avr srecord

.PHONY: all deps configure build run test asan bench clean

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
	@echo "The programmer-box simulator and the main window are not built yet;"
	@echo "this shows the command-line front end that exists so far."
	@echo
	./$(BUILD)/src/cli/quorva-cli --help
	@echo
	./$(BUILD)/src/cli/quorva-cli devices

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

asan: deps
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUORVA_SANITIZE=ON $(CMAKE_ARGS)
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --output-on-failure -j $(JOBS)

bench: build
	@for b in $(BUILD)/bench/*_bench; do echo "== $$b"; $$b; done

clean:
	rm -rf $(BUILD) $(ASAN_BUILD)
