#pragma once

#include <QString>

#include <array>
#include <cstdint>

class Platform;

namespace board {

inline constexpr int Columns = 18;
inline constexpr int Rows = 11;
inline constexpr int CellSize = 400; // twips
inline constexpr int MaxLetters = 100;
inline constexpr int StartX = 9;
inline constexpr int StartY = 6;
inline const QString DefaultWord = QStringLiteral("Quendolin");

} // namespace board

// The shared board state of the running game (MODUL1): zero or empty at start.
struct Modul1
{
    QString CurrentWord;
    int16_t PlayerX = 0;
    int16_t PlayerY = 0;
    // Indexes 1..100; element 0 is never used.
    std::array<int16_t, board::MaxLetters + 1> LetterX{};
    std::array<int16_t, board::MaxLetters + 1> LetterY{};
    // True while the high-score panel holds a clock that was running when it opened.
    bool ClockWasRunning = false;
};

namespace board {

// The four moves with their clamps to the grid.
void moveUp(Modul1 &m);
void moveDown(Modul1 &m);
void moveLeft(Modul1 &m);
void moveRight(Modul1 &m);

// Catch test: the next letter's cell (entry 1) is the player's cell.
bool nextLetterUnderPlayer(const Modul1 &m);

// Drops the first letter of CurrentWord and moves the cells of the others down by one.
void removeFirstLetter(Modul1 &m);

// Twips of a cell index, computed as the 16-bit product the field uses.
int16_t cellTwips(int16_t index);

// Gives every letter of CurrentWord a cell of its own, never the player's, drawing
// the column of a letter before its row; calls print(i) as letter i (1-based) is placed.
template<typename Print>
void scatterLetters(Modul1 &m, Platform &platform, Print print);

// Due reshuffle: the count is a whole multiple of the period.
inline bool reshuffleDue(qint64 count, int period)
{
    return period > 0 && count % period == 0;
}

} // namespace board
