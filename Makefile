# The two commands of the README, plus benchmarks and cleaning. Each script installs what is missing first.
.PHONY: run test bench clean

run:
	@bash scripts/run.sh

test:
	@bash scripts/test.sh

bench:
	@bash scripts/bench.sh

clean:
	@bash scripts/clean.sh
