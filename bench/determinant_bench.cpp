// Times the shipped determinant methods against a literal reading of the
// permutation expansion (one product of n factors per permutation), and checks
// that the literal reading and the shipped expansion agree.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <map>
#include <random>
#include <utility>

#include "matrix/determinant_methods.h"

namespace {

using PermutationTable = std::array<std::int32_t, 14>;

// The results of the last run at each order, for the check after the timings.
std::map<int, std::uint32_t> literal_results;
std::map<int, std::uint32_t> shipped_results;

std::uint32_t literal_product(const SquareMatrix &matrix, const PermutationTable &arrangement, int n) {
  std::uint32_t product = 1;
  for (int row = 1; row <= n; ++row) {
    product *= matrix[static_cast<std::size_t>(row - 1)][static_cast<std::size_t>(arrangement[row] - 1)];
  }
  return product;
}

// The baseline: search, swap and a full product for every permutation.
std::uint32_t literal_expansion(const SquareMatrix &matrix, int n) {
  PermutationTable a = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13};
  PermutationTable c = {};
  PermutationTable o = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
  std::uint32_t count = 1;
  for (std::uint32_t factor = 1; factor <= static_cast<std::uint32_t>(n); ++factor) count *= factor;
  std::uint32_t sum = 0;
  std::uint32_t flag = 1;
  while (count != 0) {
    std::int32_t s = 0;
    std::int32_t k = 1;
    for (std::int32_t j = n;; --j) {
      const std::int32_t q = c[j] + o[j];
      c[j] = q;
      if (q == j) {
        o[j] = -1;
      } else if (q == 0) {
        o[j] = 1;
        ++s;
      } else {
        k = q;
        break;
      }
      if (j <= 2) break;
    }
    std::swap(a[k + s], a[k + s + 1]);
    const std::uint32_t product = literal_product(matrix, a, n);
    sum = flag == 1 ? sum - product : sum + product;
    flag = 1 - flag;
    --count;
  }
  return sum;
}

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

void run_method(benchmark::State &state, std::uint32_t (*method)(const SquareMatrix &, int),
                std::map<int, std::uint32_t> *results) {
  const int n = static_cast<int>(state.range(0));
  const SquareMatrix matrix = random_matrix(n);
  std::uint32_t value = 0;
  for (auto _ : state) {
    value = method(matrix, n);
    benchmark::DoNotOptimize(value);
  }
  if (results != nullptr) (*results)[n] = value;
}

void literal_expansion_bench(benchmark::State &state) {
  run_method(state, literal_expansion, &literal_results);
}
void permutation_expansion_bench(benchmark::State &state) {
  run_method(state, permutation_expansion, &shipped_results);
}
void division_free_bench(benchmark::State &state) {
  run_method(state, division_free_determinant, nullptr);
}

BENCHMARK(literal_expansion_bench)->DenseRange(10, 12)->Unit(benchmark::kMillisecond);
BENCHMARK(permutation_expansion_bench)->DenseRange(10, 12)->Unit(benchmark::kMillisecond);
BENCHMARK(division_free_bench)->Arg(13)->Arg(20)->Arg(31)->Unit(benchmark::kMicrosecond);

// Every order timed both ways must give the same value.
bool results_agree() {
  bool agree = true;
  for (const auto &[n, literal] : literal_results) {
    const auto shipped = shipped_results.find(n);
    if (shipped == shipped_results.end()) continue;
    const bool same = shipped->second == literal;
    std::printf("order %d: literal %u, shipped %u: %s\n", n, literal, shipped->second,
                same ? "identical" : "DIFFERENT");
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
