#include "game/board.h"

#include "game/text.h"

#include <algorithm>

namespace board {

void moveUp(Modul1 &m)
{
    m.PlayerY = static_cast<int16_t>(std::max(m.PlayerY - 1, 0));
}

void moveDown(Modul1 &m)
{
    m.PlayerY = static_cast<int16_t>(std::min(m.PlayerY + 1, Rows - 1));
}

void moveLeft(Modul1 &m)
{
    m.PlayerX = static_cast<int16_t>(std::max(m.PlayerX - 1, 0));
}

void moveRight(Modul1 &m)
{
    m.PlayerX = static_cast<int16_t>(std::min(m.PlayerX + 1, Columns - 1));
}

bool nextLetterUnderPlayer(const Modul1 &m)
{
    return m.LetterX[1] == m.PlayerX && m.LetterY[1] == m.PlayerY;
}

void removeFirstLetter(Modul1 &m)
{
    const qsizetype n = std::min<qsizetype>(text::charCount(m.CurrentWord), MaxLetters);
    for (qsizetype i = 1; i <= n - 1; ++i) {
        m.LetterX[i] = m.LetterX[i + 1];
        m.LetterY[i] = m.LetterY[i + 1];
    }
    m.CurrentWord = text::withoutFirstChar(m.CurrentWord);
}

int16_t cellTwips(int16_t index)
{
    return static_cast<int16_t>(index * CellSize);
}

} // namespace board
