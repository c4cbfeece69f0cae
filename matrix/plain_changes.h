// Knuth's plain-changes walk (Algorithm P): every order of a few places, one
// adjacent swap a step, so the sign of the order alternates. It moves whatever
// the places hold, here pointers to columns.
#pragma once

#include <array>
#include <cstddef>
#include <utility>

// Levels are numbered 1 to the number of places, as in Algorithm P.
template <std::size_t MAX_PLACES>
struct PlainChanges {
  std::array<int, MAX_PLACES + 1> counters;    // how far each level has moved its entry
  std::array<int, MAX_PLACES + 1> directions;  // +1 or -1 per level
};

template <std::size_t MAX_PLACES>
PlainChanges<MAX_PLACES> first_plain_change() {
  PlainChanges<MAX_PLACES> state{};
  state.directions.fill(1);
  return state;
}

// One adjacent swap: the deepest level that can still move moves its entry.
// Levels at an end turn round, and each one at its upper end shifts the
// places of the levels below it by one. Returns the first of the two places
// swapped, so callers can keep what depends only on the places after them.
template <typename Entry, std::size_t MAX_PLACES>
int next_plain_change(PlainChanges<MAX_PLACES> &state, std::array<Entry, MAX_PLACES> &places, int size) {
  int shift = 0;
  for (int level = size; level > 1; --level) {
    const int counter = state.counters[level];
    const int next = counter + state.directions[level];
    if (next >= 0 && next < level) {
      const int first = level - 1 - (counter > next ? counter : next) + shift;
      std::swap(places[first], places[first + 1]);
      state.counters[level] = next;
      return first;
    }
    state.directions[level] = -state.directions[level];
    if (next == level) ++shift;
  }
  return 0;
}
