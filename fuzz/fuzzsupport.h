#pragma once

#include "game/board.h"
#include "game/platform.h"
#include "game/scatter.h"
#include "game/text.h"

#include <cstdio>
#include <cstdlib>

// A failed check ends the run like a crash, so libFuzzer keeps the input.
#define FUZZ_CHECK(condition)                                                                    \
    do {                                                                                         \
        if (!(condition)) {                                                                      \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition);  \
            std::abort();                                                                        \
        }                                                                                        \
    } while (false)

// Random numbers from a fixed sequence; the boxes and the input box are never needed here.
class FuzzPlatform : public Platform
{
public:
    Answer messageBox(const QString &, Buttons, Icon, const QString &) override { return Answer::Ok; }
    QString inputBox(const QString &, const QString &, const QString &) override { return {}; }
    float random() override
    {
        m_state = m_state * 1103515245u + 12345u;
        return static_cast<float>((m_state >> 8) & 0xFFFFFF) / 16777216.0f;
    }
    void randomize() override {}
    void quit() override {}

private:
    quint32 m_state = 1u;
};

// Plays a word as the game would take it from the store: scatters it, checks that
// every letter has a cell of its own off the marker, then catches it letter by letter.
inline void playWord(const QString &entry, FuzzPlatform &platform)
{
    Modul1 m;
    m.CurrentWord = entry;
    if (m.CurrentWord.isEmpty() || text::charCount(m.CurrentWord) > board::MaxLetters)
        m.CurrentWord = board::DefaultWord;
    const QString word = m.CurrentWord;
    m.PlayerX = board::StartX;
    m.PlayerY = board::StartY;

    const qsizetype n = text::charCount(word);
    QString printed;
    board::scatterLetters(m, platform, [&](qsizetype i) { printed += text::charAt(m.CurrentWord, i - 1); });
    FUZZ_CHECK(printed == word);
    for (qsizetype i = 1; i <= n; ++i) {
        FUZZ_CHECK(m.LetterX[i] >= 0 && m.LetterX[i] < board::Columns);
        FUZZ_CHECK(m.LetterY[i] >= 0 && m.LetterY[i] < board::Rows);
        FUZZ_CHECK(!(m.LetterX[i] == m.PlayerX && m.LetterY[i] == m.PlayerY));
        for (qsizetype j = 1; j < i; ++j)
            FUZZ_CHECK(!(m.LetterX[i] == m.LetterX[j] && m.LetterY[i] == m.LetterY[j]));
    }

    QString caught;
    for (qsizetype left = n; left > 0; --left) {
        FUZZ_CHECK(text::charCount(m.CurrentWord) == left);
        const QString next = text::firstChar(m.CurrentWord);
        FUZZ_CHECK(!next.isEmpty());
        FUZZ_CHECK(next + text::withoutFirstChar(m.CurrentWord) == m.CurrentWord);
        caught += next;
        board::removeFirstLetter(m);
        FUZZ_CHECK(caught + m.CurrentWord == word);
    }
    FUZZ_CHECK(m.CurrentWord.isEmpty());
    FUZZ_CHECK(caught == word);
}
