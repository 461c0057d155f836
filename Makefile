# SPDX-License-Identifier: BSD-2-Clause
# Builds the suite with CMake. Portable make: works with GNU and BSD make.
#   make                  configure and build the programs into build/bin
#   make check            build the programs and the tests, and run every test
#                         but the exhaustive fault sweep (of which it runs a sample)
#   make check-faults     the fault sweep: every system call of tagsnip's file
#                         handling failed in turn (minutes)
#   make check-sanitize   every test, the fault sweep included, built with
#                         AddressSanitizer and UndefinedBehaviorSanitizer
#   make check-clang      make check built with clang++
#   make check-bsd-getopt the end-to-end tests, the programs linked with FreeBSD's getopt_long
#   make check-freebsd    build check for FreeBSD 14: compile, symbols, link (no FreeBSD needed)
#   make dist             the source tarball smalltools-$(VERSION).tar.gz from git archive
#   make pot              extract the translatable texts into po/<domain>.pot
#   make install          install under $(PREFIX), stripped, honouring DESTDIR
#   make fuzz             build the libFuzzer targets into build-fuzz/fuzz (clang++)
#   make fuzz-smoke       replay each target's corpus, then fuzz it $(FUZZ_SECONDS) s
#   make fuzz-run TARGET=name SECONDS=600   fuzz one target; new inputs go to
#                         build-fuzz/work/name (make fuzz-merge TARGET=name adds
#                         them to its corpus)
PREFIX = /usr/local
CMAKE = cmake
CTEST = ctest
CMAKE_FLAGS =
JOBS = 2
FUZZ_CXX = clang++
FUZZ_SECONDS = 20
SECONDS = 600
TARGET =
# The project's version, as CMakeLists.txt names it: the tarball's name.
VERSION != sed -n 's/^project(smalltools VERSION \([0-9.]*\) .*/\1/p' CMakeLists.txt
# Beside the checkout: FreeBSD's sysroot, its build check and its libc parts.
FREEBSD_DIR = ../shared/freebsd
BSD_GETOPT = $(FREEBSD_DIR)/libc/getopt_long.c

all: configure
	$(CMAKE) --build build --parallel $(JOBS)

# CMake re-runs itself when its files change. This makes the first run, and
# another whenever PREFIX is not the one build/configured holds: the programs
# look for their catalogs under the prefix they were configured with.
configure:
	@if [ "`cat build/configured 2>/dev/null`" != "$(PREFIX)" ]; then \
	    echo "$(CMAKE) -S . -B build -DCMAKE_INSTALL_PREFIX=$(PREFIX) $(CMAKE_FLAGS)"; \
	    $(CMAKE) -S . -B build -DCMAKE_INSTALL_PREFIX="$(PREFIX)" $(CMAKE_FLAGS) && \
	    printf '%s\n' "$(PREFIX)" > build/configured; \
	fi

# The tests are built here, not by the default target. Tests labelled
# "faults" (the exhaustive fault sweep) are left to check-faults.
check: configure
	$(CMAKE) --build build --parallel $(JOBS) --target all suite_tests
	cd build && $(CTEST) --output-on-failure --parallel $(JOBS) --timeout 600 --label-exclude faults

check-faults: configure
	$(CMAKE) --build build --parallel $(JOBS) --target all suite_tests
	cd build && $(CTEST) --output-on-failure --parallel $(JOBS) --timeout 1200 --label-regex faults

check-sanitize:
	$(CMAKE) -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DSUITE_SANITIZE=ON $(CMAKE_FLAGS)
	$(CMAKE) --build build-sanitize --parallel $(JOBS) --target all suite_tests
	cd build-sanitize && ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 \
	    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	    $(CTEST) --output-on-failure --parallel $(JOBS) --timeout 1200

check-clang:
	$(CMAKE) -S . -B build-clang -DCMAKE_CXX_COMPILER=clang++ $(CMAKE_FLAGS)
	$(CMAKE) --build build-clang --parallel $(JOBS) --target all suite_tests
	cd build-clang && $(CTEST) --output-on-failure --parallel $(JOBS) --timeout 600 --label-exclude faults

# Only the programs and the end-to-end tests are built.
check-bsd-getopt:
	$(CMAKE) -S . -B build-bsd-getopt -DSUITE_BSD_GETOPT=$(BSD_GETOPT) $(CMAKE_FLAGS)
	$(CMAKE) --build build-bsd-getopt --parallel $(JOBS) --target all suite_tests
	cd build-bsd-getopt && $(CTEST) --output-on-failure --parallel $(JOBS) --timeout 600

# Findings: compiler errors and warnings, symbols FreeBSD does not export,
# programs (tests included) that do not link.
check-freebsd:
	CHECK_TESTS=1 CHECK_WERROR=1 sh $(FREEBSD_DIR)/check.sh .

dist:
	git archive --format=tar.gz --prefix=smalltools-$(VERSION)/ -o smalltools-$(VERSION).tar.gz HEAD

# The translators' templates po/<domain>.pot.
pot:
	sh po/extract.sh .

fuzz:
	$(CMAKE) -S . -B build-fuzz -DCMAKE_CXX_COMPILER=$(FUZZ_CXX) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	    -DSUITE_FUZZ=ON -DSUITE_TESTS=OFF $(CMAKE_FLAGS)
	$(CMAKE) --build build-fuzz --target fuzz_targets --parallel $(JOBS)

fuzz-smoke: fuzz
	sh fuzz/run.sh smoke build-fuzz $(FUZZ_SECONDS)

fuzz-run: fuzz
	sh fuzz/run.sh run build-fuzz $(SECONDS) $(TARGET)

fuzz-merge: fuzz
	sh fuzz/run.sh merge build-fuzz 0 $(TARGET)

install: all
	DESTDIR="$(DESTDIR)" $(CMAKE) --install build --prefix "$(PREFIX)" --strip

clean:
	rm -rf build build-sanitize build-clang build-bsd-getopt build-fuzz

.PHONY: all configure check check-faults check-sanitize check-clang check-bsd-getopt check-freebsd dist pot install clean fuzz fuzz-smoke fuzz-run fuzz-merge
