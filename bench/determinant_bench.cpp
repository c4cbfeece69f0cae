// Times the shipped determinant methods against two baselines: a literal
// reading of the permutation expansion (one product of n factors per
// permutation) and the expansion shipped before blocks of three fast columns.
// The expansion's scalar and vector forms are timed each on its own; the
// vector form only where the processor runs it. Checks that every expansion
// timed at an order gives the same value there.
#include <benchmark/benchmark.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <map>
#include <random>

#include "tests/literal_expansion.h"
#include "bench/previous_expansion.h"
#include "matrix/determinant_methods.h"

namespace {

using Method = std::uint32_t (*)(const SquareMatrix &, int);

struct Expansion {
  const char *name;
  Method method;
  bool needs_vector_lanes;
};

constexpr std::array<Expansion, 4> EXPANSIONS = {{{"literal", literal_expansion, false},
                                                 {"previous", previous_permutation_expansion, false},
                                                 {"scalar", scalar_permutation_expansion, false},
                                                 {"vector", vector_permutation_expansion, true}}};

// The value of the last run of each expansion (by its index in EXPANSIONS) at
// each order, for the check after the timings.
std::map<int, std::map<std::size_t, std::uint32_t>> expansion_results;

// Entries over the whole 32-bit range, so every product wraps.
SquareMatrix random_matrix(int n) {
  std::mt19937 generator(static_cast<std::uint32_t>(n));
  SquareMatrix matrix{};
  for (int row = 0; row < n; ++row) {
    for (int column = 0; column < n; ++column) {
      matrix[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)] = generator();
    }
  }
  return matrix;
}

std::uint32_t run_method(benchmark::State &state, Method method) {
  const int n = static_cast<int>(state.range(0));
  const SquareMatrix matrix = random_matrix(n);
  std::uint32_t value = 0;
  for (auto _ : state) {
    value = method(matrix, n);
    benchmark::DoNotOptimize(value);
  }
  return value;
}

void expansion_bench(benchmark::State &state, std::size_t which) {
  if (EXPANSIONS[which].needs_vector_lanes && !vector_expansion_available()) {
    state.SkipWithError("no vector lanes for the expansion on this processor or in this build");
    return;
  }
  expansion_results[static_cast<int>(state.range(0))][which] = run_method(state, EXPANSIONS[which].method);
}
void division_free_bench(benchmark::State &state) { run_method(state, division_free_determinant); }

// From order 7 the shipped program takes the vector form where it runs.
BENCHMARK_CAPTURE(expansion_bench, literal, 0)->DenseRange(7, 12)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(expansion_bench, previous, 1)->DenseRange(7, 12)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(expansion_bench, scalar, 2)->DenseRange(7, 12)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(expansion_bench, vector, 3)->DenseRange(7, 12)->Unit(benchmark::kMicrosecond);
BENCHMARK(division_free_bench)->Arg(13)->Arg(20)->Arg(31)->Unit(benchmark::kMicrosecond);

// Every expansion timed at an order must give the same value there.
bool results_agree() {
  bool agree = true;
  for (const auto &[n, values] : expansion_results) {
    const std::uint32_t first = values.begin()->second;
    bool same = true;
    std::printf("order %d:", n);
    for (const auto &[which, value] : values) {
      std::printf(" %s %u,", EXPANSIONS[which].name, value);
      same = same && value == first;
    }
    std::printf(" %s\n", same ? "identical" : "DIFFERENT");
    agree = agree && same;
  }
  return agree;
}

}  // namespace

int main(int argc, char **argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return results_agree() ? 0 : 1;
}
