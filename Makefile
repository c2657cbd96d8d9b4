# The two commands of this project; both install what is missing first.
# make open URL=...: a page for the client make run started, by DDE.
.PHONY: run open test wintest tour soak bench release fuzz native windows clean

run:
	@scripts/run.sh

open:
	@scripts/open.sh "$(URL)"

test:
	@scripts/test.sh

# One Windows test program (T=win_updater_tests) or one filter (F='Updater.*')
# under Wine with the test harness; DPI=120 runs it on a 120-dpi screen,
# TRACE=1 prints the program's failure traces.
wintest:
	@TRACE="$(TRACE)" scripts/wintest.sh "$(T)" "$(or $(F),*)" "$(or $(DPI),96)"

# The whole run with stand-in pages, screenshot by screenshot (build/tour/).
tour:
	@scripts/tour.sh

# Weighted random operations on the tour build from a printed seed
# (SOAK_OPS operations, default 2000; SOAK_SEED repeats a run).
soak:
	@scripts/soak.sh

bench:
	@scripts/bench.sh

release:
	@scripts/release.sh

# Every fuzz target for FUZZ_SECONDS (default 60) each.
fuzz:
	@scripts/fuzz.sh

native:
	@scripts/setup.sh && cmake --preset native && cmake --build --preset native -j$$(nproc)

windows:
	@scripts/setup.sh && cmake --preset windows && cmake --build --preset windows -j$$(nproc)

clean:
	rm -rf build
