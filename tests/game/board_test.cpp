#include "game/board.h"
#include "game/scatter.h"
#include "game/text.h"
#include "scriptedplatform.h"
#include "words/wordpick.h"

#include <QTest>

#include <set>

class BoardTest : public QObject
{
    Q_OBJECT

private slots:
    void characters_data();
    void characters();
    void captionValue_data();
    void captionValue();
    void movesClampToTheGrid_data();
    void movesClampToTheGrid();
    void removingTheFirstLetterShiftsTheCells();
    void scatterKeepsItsInvariants();
    void scatterDrawsColumnBeforeRowAndRetries();
    void scatterOfLastFloatStaysInsideTheGrid();
    void reshuffleDue();
    void pickIndexStaysInRange();
};

void BoardTest::characters_data()
{
    QTest::addColumn<QString>("word");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("rest");
    QTest::newRow("plain word") << "Quendolin" << 9 << "Q" << "uendolin";
    QTest::newRow("empty word") << "" << 0 << "" << "";
    QTest::newRow("umlaut is one letter") << "Ähre" << 4 << "Ä" << "hre";
    QTest::newRow("letter outside the BMP is never split") << QString::fromUtf8("\xF0\x9D\x94\x84" "b") << 2
                                                           << QString::fromUtf8("\xF0\x9D\x94\x84") << "b";
    QTest::newRow("leading space") << " ab" << 3 << " " << "ab";
}

void BoardTest::characters()
{
    QFETCH(QString, word);
    QFETCH(int, count);
    QFETCH(QString, first);
    QFETCH(QString, rest);
    QCOMPARE(text::charCount(word), count);
    QCOMPARE(text::firstChar(word), first);
    QCOMPARE(text::withoutFirstChar(word), rest);
    QString joined;
    for (int i = 0; i < count; ++i)
        joined += text::charAt(word, i);
    QCOMPARE(joined, word);
    QVERIFY(text::charAt(word, count).isEmpty());
}

void BoardTest::captionValue_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<qint64>("value");
    QTest::newRow("digits") << "37" << qint64(37);
    QTest::newRow("leading blanks skipped") << "   12" << qint64(12);
    QTest::newRow("number then text") << "15 Sek" << qint64(15);
    QTest::newRow("no number") << "Sek" << qint64(0);
    QTest::newRow("empty") << "" << qint64(0);
    QTest::newRow("negative") << "-4" << qint64(-4);
    QTest::newRow("large") << "123456" << qint64(123456);
}

void BoardTest::captionValue()
{
    QFETCH(QString, caption);
    QFETCH(qint64, value);
    QCOMPARE(text::captionValue(caption), value);
}

void BoardTest::movesClampToTheGrid_data()
{
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("y");
    QTest::addColumn<int>("move");
    QTest::addColumn<int>("toX");
    QTest::addColumn<int>("toY");
    QTest::newRow("up") << 9 << 6 << 0 << 9 << 5;
    QTest::newRow("up at the top row stays") << 9 << 0 << 0 << 9 << 0;
    QTest::newRow("down") << 9 << 6 << 1 << 9 << 7;
    QTest::newRow("down at row 10 stays") << 9 << 10 << 1 << 9 << 10;
    QTest::newRow("left") << 9 << 6 << 2 << 8 << 6;
    QTest::newRow("left at column 0 stays") << 0 << 6 << 2 << 0 << 6;
    QTest::newRow("right") << 9 << 6 << 3 << 10 << 6;
    QTest::newRow("right at column 17 stays") << 17 << 6 << 3 << 17 << 6;
}

void BoardTest::movesClampToTheGrid()
{
    QFETCH(int, x);
    QFETCH(int, y);
    QFETCH(int, move);
    QFETCH(int, toX);
    QFETCH(int, toY);
    Modul1 m;
    m.PlayerX = static_cast<int16_t>(x);
    m.PlayerY = static_cast<int16_t>(y);
    void (*moves[])(Modul1 &) = {board::moveUp, board::moveDown, board::moveLeft, board::moveRight};
    moves[move](m);
    QCOMPARE(int(m.PlayerX), toX);
    QCOMPARE(int(m.PlayerY), toY);
}

void BoardTest::removingTheFirstLetterShiftsTheCells()
{
    Modul1 m;
    m.CurrentWord = QStringLiteral("Otto");
    for (int i = 1; i <= 4; ++i) {
        m.LetterX[i] = static_cast<int16_t>(i);
        m.LetterY[i] = static_cast<int16_t>(10 - i);
    }
    board::removeFirstLetter(m);
    QCOMPARE(m.CurrentWord, QStringLiteral("tto"));
    QCOMPARE(int(m.LetterX[1]), 2);
    QCOMPARE(int(m.LetterY[3]), 6);
    // The old last entry keeps its value.
    QCOMPARE(int(m.LetterX[4]), 4);
}

void BoardTest::scatterKeepsItsInvariants()
{
    ScriptedPlatform platform;
    const QString hundred = QString(100, u'x');
    for (int round = 0; round < 400; ++round) {
        Modul1 m;
        m.CurrentWord = round % 2 ? hundred : QStringLiteral("Quendolin");
        m.PlayerX = static_cast<int16_t>(round % board::Columns);
        m.PlayerY = static_cast<int16_t>((round / 3) % board::Rows);
        int printed = 0;
        board::scatterLetters(m, platform, [&](qsizetype i) { QCOMPARE(i, ++printed); });
        const int n = int(text::charCount(m.CurrentWord));
        QCOMPARE(printed, n);
        std::set<std::pair<int, int>> cells;
        for (int i = 1; i <= n; ++i) {
            QVERIFY(m.LetterX[i] >= 0 && m.LetterX[i] < board::Columns);
            QVERIFY(m.LetterY[i] >= 0 && m.LetterY[i] < board::Rows);
            QVERIFY(!(m.LetterX[i] == m.PlayerX && m.LetterY[i] == m.PlayerY));
            cells.insert({m.LetterX[i], m.LetterY[i]});
        }
        QCOMPARE(int(cells.size()), n);
    }
}

void BoardTest::scatterDrawsColumnBeforeRowAndRetries()
{
    ScriptedPlatform platform;
    Modul1 m;
    m.CurrentWord = QStringLiteral("ab");
    m.PlayerX = 9;
    m.PlayerY = 6;
    auto r = [](int cell, int count) { return (cell + 0.5f) / count; };
    // Letter 1: first under the player (retried), then (2, 3).
    // Letter 2: first on letter 1's cell (retried), then (17, 0).
    platform.randoms << r(9, 18) << r(6, 11) << r(2, 18) << r(3, 11) << r(2, 18) << r(3, 11) << r(17, 18)
                     << r(0, 11);
    board::scatterLetters(m, platform, [](qsizetype) {});
    QCOMPARE(platform.draws, 8);
    QCOMPARE(int(m.LetterX[1]), 2);
    QCOMPARE(int(m.LetterY[1]), 3);
    QCOMPARE(int(m.LetterX[2]), 17);
    QCOMPARE(int(m.LetterY[2]), 0);
}

void BoardTest::scatterOfLastFloatStaysInsideTheGrid()
{
    ScriptedPlatform platform;
    Modul1 m;
    m.CurrentWord = QStringLiteral("a");
    const float almostOne = std::nextafter(1.0f, 0.0f);
    platform.randoms << almostOne << almostOne;
    board::scatterLetters(m, platform, [](qsizetype) {});
    QCOMPARE(int(m.LetterX[1]), 17);
    QCOMPARE(int(m.LetterY[1]), 10);
}

void BoardTest::reshuffleDue()
{
    QList<int> jumps;
    for (int count = 1; count <= 30; ++count) {
        if (board::reshuffleDue(count, 10))
            jumps.append(count);
    }
    QCOMPARE(jumps, (QList<int>{10, 20, 30}));
}

void BoardTest::pickIndexStaysInRange()
{
    QCOMPARE(pickIndex(0.0f, 5), 0);
    QCOMPARE(pickIndex(0.5f, 5), 2);
    QCOMPARE(pickIndex(0.99f, 5), 4);
    QCOMPARE(pickIndex(std::nextafter(1.0f, 0.0f), 100000), 99999);
}

QTEST_GUILESS_MAIN(BoardTest)
#include "board_test.moc"
