# Builds the suite with CMake. Portable make: works with GNU and BSD make.
#   make                  configure (once) and build the programs into build/bin
#   make check            build and run every test
#   make check-sanitize   the same with AddressSanitizer and UndefinedBehaviorSanitizer
#   make check-clang      the same built with clang++
#   make pot              extract the translatable texts into po/<domain>.pot
#   make install          install under $(PREFIX), honouring DESTDIR
PREFIX = /usr/local
CMAKE = cmake
CTEST = ctest
CMAKE_FLAGS =
JOBS = 2

all: build/configured
	$(CMAKE) --build build --parallel $(JOBS)

# CMake re-runs itself when its files change; this only makes the first run.
build/configured:
	$(CMAKE) -S . -B build -DCMAKE_INSTALL_PREFIX=$(PREFIX) $(CMAKE_FLAGS)
	touch build/configured

check: all
	cd build && $(CTEST) --output-on-failure --parallel $(JOBS) --timeout 600

check-sanitize:
	$(CMAKE) -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DSUITE_SANITIZE=ON $(CMAKE_FLAGS)
	$(CMAKE) --build build-sanitize --parallel $(JOBS)
	cd build-sanitize && ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 \
	    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	    $(CTEST) --output-on-failure --parallel $(JOBS) --timeout 1200

check-clang:
	$(CMAKE) -S . -B build-clang -DCMAKE_CXX_COMPILER=clang++ $(CMAKE_FLAGS)
	$(CMAKE) --build build-clang --parallel $(JOBS)
	cd build-clang && $(CTEST) --output-on-failure --parallel $(JOBS) --timeout 600

# The translators' templates po/<domain>.pot.
pot:
	sh po/extract.sh .

install: all
	DESTDIR="$(DESTDIR)" $(CMAKE) --install build --prefix "$(PREFIX)"

clean:
	rm -rf build build-sanitize build-clang

.PHONY: all check check-sanitize check-clang pot install clean
