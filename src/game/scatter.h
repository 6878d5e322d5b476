#pragma once

#include "game/board.h"
#include "game/platform.h"
#include "game/text.h"

#include <algorithm>
#include <cmath>

namespace board {

// floor(count * r) for r in [0, 1), computed in double so it never reaches count.
inline int16_t cellOf(float r, int count)
{
    return static_cast<int16_t>(std::clamp(static_cast<int>(std::floor(count * double(r))), 0, count - 1));
}

template<typename Print>
void scatterLetters(Modul1 &m, Platform &platform, Print print)
{
    const qsizetype n = std::min<qsizetype>(text::charCount(m.CurrentWord), MaxLetters);
    for (qsizetype i = 1; i <= n; ++i) {
        for (;;) {
            m.LetterX[i] = cellOf(platform.random(), Columns);
            m.LetterY[i] = cellOf(platform.random(), Rows);
            if (m.LetterX[i] == m.PlayerX && m.LetterY[i] == m.PlayerY)
                continue;
            bool taken = false;
            for (qsizetype j = 1; j < i && !taken; ++j)
                taken = m.LetterX[j] == m.LetterX[i] && m.LetterY[j] == m.LetterY[i];
            if (!taken)
                break;
        }
        print(i);
    }
}

} // namespace board
