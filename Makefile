# The two commands of the README, plus the downloads, benchmarks, fuzzing, the kill soak and cleaning. Each
# script installs what is missing first.
.PHONY: run test dist bench fuzz soak clean

run:
	@bash scripts/run.sh

test:
	@bash scripts/test.sh

dist:
	@bash scripts/dist.sh

bench:
	@bash scripts/bench.sh

fuzz:
	@bash scripts/fuzz.sh

soak:
	@bash scripts/soak.sh

clean:
	@bash scripts/clean.sh
