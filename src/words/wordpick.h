#pragma once

// Index of the entry to take: the integer part of r x count, r in [0, 1).
// Kept below count even where single precision would round r x count up to it.
inline int pickIndex(float r, int count)
{
    const int index = static_cast<int>(static_cast<double>(r) * count);
    return index < count ? index : count - 1;
}
