#include "ui/KeyColorSets.h"

#include "app/Config.h"
#include "model/Profile.h"

#include <algorithm>

namespace kavrel {

namespace {

int keysInTable()
{
    return std::clamp(KeyCount, 0, KeyTableSize);
}

bool validMatrixIndex(std::int32_t index)
{
    return index >= 0 && index < KeyTableSize;
}

} // namespace

KeyColorArray keyColorsOfSet(const PROFILE& profile, unsigned set)
{
    KeyColorArray colors{};
    if (set >= unsigned(ColorSetCount))
        return colors;
    for (int key = 0; key < keysInTable(); ++key) {
        const std::int32_t matrix = KeyTable[std::size_t(key)].matrixIndex;
        if (validMatrixIndex(matrix))
            colors[std::size_t(key)] = profile.keyColors[set][matrix];
    }
    return colors;
}

void storeKeyColorsInSet(PROFILE& profile, unsigned set, const KeyColorArray& colors)
{
    if (set >= unsigned(ColorSetCount))
        return;
    for (int key = 0; key < keysInTable(); ++key) {
        const std::int32_t matrix = KeyTable[std::size_t(key)].matrixIndex;
        if (validMatrixIndex(matrix))
            profile.keyColors[set][matrix] = colors[std::size_t(key)];
    }
}

} // namespace kavrel
