#include "controls/SliderMath.h"

#include "controls/CPngSlider.h"

#include <algorithm>
#include <cstdlib>

namespace kavrel {

namespace {

constexpr int ScaleFirst = 12;
constexpr int ScaleLast = 168;

int nearestStop(std::span<const int> stops, int position)
{
    int best = 0;
    int bestDistance = -1;
    for (std::size_t i = 0; i < stops.size(); ++i) {
        const int distance = std::abs(position - stops[i]);
        if (bestDistance < 0 || distance <= bestDistance) { // a tie goes to the later stop
            best = int(i);
            bestDistance = distance;
        }
    }
    return best;
}

int nearestStep(int position, int length, int range)
{
    const int f = range * position / length;
    const int step = length / range;
    if (std::abs(position - step * f) > std::abs(position - step * (f + 1)))
        return f + 1;
    return f;
}

} // namespace

int make_scale_positions(int count, std::span<int> positions)
{
    const int n = std::min<int>(count, int(positions.size()));
    if (n <= 0)
        return 0;
    positions[0] = ScaleFirst;
    if (count == 1)
        return 1;
    const int span = ScaleLast - ScaleFirst;
    const int step = span / (count - 1);
    const int remainder = span % (count - 1);
    // Stop i gets min(i, remainder) extra pixels; the last stop lands on 168.
    for (int i = 1; i < n; ++i)
        positions[std::size_t(i)] = ScaleFirst + step * i + std::min(i, remainder);
    return n;
}

int slider_value_at(const CPngSlider& thumb, int position, int length, int minimum, int maximum)
{
    int index = minimum;
    const std::span<const int> stops = thumb.stops();
    if (!stops.empty())
        index = minimum + nearestStop(stops, position);
    else if (length > 0 && maximum > minimum)
        index = minimum + nearestStep(position, length, maximum - minimum);
    return std::clamp(index, minimum, std::max(minimum, maximum));
}

} // namespace kavrel
