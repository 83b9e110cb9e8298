# Korvala: top-level entry points. `make run` and `make test` work on a fresh Debian 12 machine:
# they install what is missing, configure, build and then run.

BUILD      ?= build
BUILD_TYPE ?= RelWithDebInfo
JOBS       ?= $(shell nproc 2>/dev/null || echo 2)
SAMPLE     ?= data/sample-7tage.log

# Debian packages the build, the tests and the tools need.
PACKAGES := cmake ninja-build g++ pkg-config \
            qt6-base-dev libqt6opengl6-dev qt6-charts-dev qt6-serialport-dev qt6-qpa-plugins qt6-translations-l10n \
            libgtest-dev libgmock-dev libbenchmark-dev nlohmann-json3-dev libcli11-dev \
            dpkg-dev file poppler-utils xvfb xauth socat fonts-dejavu-core clang libclang-rt-14-dev \
            debootstrap \
            libqt6sql6-sqlite libqt6sql6-psql postgresql \
            libcups2-dev cups printer-driver-cups-pdf

SUDO := $(shell [ "$$(id -u)" -eq 0 ] || echo sudo)

.PHONY: all deps configure build testing test run bench fuzz format clean package

all: build

# Install only what is missing, so a second run costs one dpkg query.
deps:
	@missing=""; \
	for p in $(PACKAGES); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "install ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  $(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get update -qq && \
	  $(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $$missing; \
	fi

$(BUILD)/build.ninja: CMakeLists.txt
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE)

configure: deps $(BUILD)/build.ninja

build: configure
	cmake --build $(BUILD) -j $(JOBS)

# The tests and benchmarks are built only on request; this switches them on for the build tree.
testing: configure
	cmake -S . -B $(BUILD) -DBUILD_TESTING=ON -DKORVALA_WERROR=ON > /dev/null
	cmake --build $(BUILD) -j $(JOBS)

test: testing
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# With a display the window opens on the sample; without one the sample's report is printed.
run: build
	@if [ -n "$$DISPLAY$$WAYLAND_DISPLAY" ]; then \
	  $(BUILD)/bin/korvala $(SAMPLE); \
	else \
	  echo "Keine Anzeige gefunden: der Bericht der Beispielmessung folgt (korvala-cli)."; \
	  $(BUILD)/bin/korvala-cli report $(SAMPLE); \
	fi

bench: testing
	$(BUILD)/bin/korvala-bench
	tools/bench-cli.sh $(BUILD)

fuzz: deps
	cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang -DKORVALA_FUZZ=ON
	cmake --build build-fuzz -j $(JOBS) --target fuzz_readers
	mkdir -p fuzz-corpus && cp -n data/*.log data/*.spt fuzz-corpus/ 2>/dev/null || true
	build-fuzz/bin/fuzz_readers -max_total_time=$${FUZZ_SECONDS:-120} -max_len=65536 fuzz-corpus

# Debian package of the program, the CLI, the sample data, icon, desktop entry, MIME types, man page.
package: build
	cd $(BUILD) && cpack -G DEB
	@ls -1 $(BUILD)/korvala_*.deb

# Installs the package into a fresh Debian 12 root (debootstrap) and checks it there as a desktop
# user would use it; debootstrap, chroot and mount need root.
.PHONY: package-check
package-check: deps
	$(SUDO) tools/package-check.sh $(BUILD)

format:
	find src app cli tests bench tools -name '*.cpp' -o -name '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD)
