#pragma once

#include <span>

namespace kavrel {

class CPngSlider;

inline constexpr int SliderTableMax = 100; // entries of a value table or a scale

// Fills the stop positions of a scale of `count` stops: 12 to 168 pixels,
// the remainder of the division spread over the first steps. Returns the
// number of stops written (at most positions.size()); a count of 1 gives the
// single stop 12, a count below 1 none.
int make_scale_positions(int count, std::span<int> positions);

// The index for a pixel position along the track: the nearest stop (the
// later one on a tie) when the thumb has stops, otherwise the nearest step of
// length / (maximum - minimum) (the lower one on a tie); limited to
// minimum .. maximum. An empty range or track gives the minimum.
int slider_value_at(const CPngSlider& thumb, int position, int length, int minimum, int maximum);

} // namespace kavrel
