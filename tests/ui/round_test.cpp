#include "roundhelpers.h"

#include <QApplication>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

class RoundTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void catchesLettersInWordOrder();
    void spaceIsCaughtWithoutAMove();
    void leadingSpaceIsCaughtByTheStartClick();
    void trailingSpacesFinishWithTheLastLetter();
    void oneLetterWord();
    void hundredLetterWordCanBePlayed();
    void reshuffleTiming_data();
    void reshuffleTiming();
    void reshuffleKeepsTheMarkerOffTheLetters();
    void startClickRefusals();
    void startClick();
    void movesCountOnlyWhileTheClockRuns();

private:
    void checkInvariants(fang &w, const QString &word);
    std::unique_ptr<TemporaryCurrentDir> m_dir;
};

void RoundTest::init()
{
    m_dir = std::make_unique<TemporaryCurrentDir>();
}

void RoundTest::cleanup()
{
    m_dir.reset();
    QVERIFY(QApplication::topLevelWidgets().isEmpty());
}

// The labels spell the word, the marker is on the player's cell and the field shows
// just the remaining letters on their cells.
void RoundTest::checkInvariants(fang &w, const QString &word)
{
    const Modul1 &m = w.MODUL1;
    QCOMPARE(w.Bezeichnung3->text() + w.Bezeichnung5->text(), m.CurrentWord);
    QCOMPARE(w.Bezeichnung4->text() + m.CurrentWord, word);
    QCOMPARE(w.Bezeichnung8->pos(),
             w.Bild5->contentOrigin() + QPoint(twipsToPixels(400 * m.PlayerX), twipsToPixels(400 * m.PlayerY)));
    QList<PrintedText> expected;
    for (int i = 1; i <= text::charCount(m.CurrentWord); ++i) {
        const QString letter = text::charAt(m.CurrentWord, i - 1);
        expected.append({400 * m.LetterX[i], 400 * m.LetterY[i], letter});
    }
    QCOMPARE(w.Bild5->canvas().items(), expected);
}

void RoundTest::catchesLettersInWordOrder()
{
    ScriptedPlatform platform;
    fang w(platform);
    const QString word = QStringLiteral("Otto");
    startRound(w, platform, word, {{2, 2}, {6, 2}, {4, 2}, {8, 8}});
    checkInvariants(w, word);

    // The second t is not the next letter: nothing is caught there.
    steerTo(w, {4, 2});
    QCOMPARE(w.MODUL1.CurrentWord, word);
    checkInvariants(w, word);

    steerTo(w, {2, 2});
    QCOMPARE(w.Bezeichnung4->text(), QStringLiteral("O"));
    QCOMPARE(w.Bezeichnung3->text(), QStringLiteral("t"));
    checkInvariants(w, word);

    // Only the first remaining t counts.
    steerTo(w, {4, 2});
    QCOMPARE(w.Bezeichnung4->text(), QStringLiteral("O"));
    steerTo(w, {6, 2});
    QCOMPARE(w.Bezeichnung4->text(), QStringLiteral("Ot"));
    checkInvariants(w, word);
    steerTo(w, {4, 2});
    QCOMPARE(w.Bezeichnung4->text(), QStringLiteral("Ott"));
    checkInvariants(w, word);
    QVERIFY(w.Zeit1->isActive());
    w.Zeit1->stop();
}

void RoundTest::spaceIsCaughtWithoutAMove()
{
    ScriptedPlatform platform;
    fang w(platform);
    const QString word = QStringLiteral("ab c");
    startRound(w, platform, word, {{1, 1}, {2, 1}, {3, 1}, {4, 1}});
    steerTo(w, {1, 1});
    steerTo(w, {2, 1});
    QCOMPARE(w.Bezeichnung4->text(), QStringLiteral("ab "));
    QCOMPARE(w.Bezeichnung3->text(), QStringLiteral("c"));
    QCOMPARE(w.MODUL1.PlayerX, 2);
    checkInvariants(w, word);
    w.Zeit1->stop();
}

void RoundTest::leadingSpaceIsCaughtByTheStartClick()
{
    ScriptedPlatform platform;
    fang w(platform);
    const QString word = QStringLiteral(" ab");
    startRound(w, platform, word, {{1, 1}, {2, 1}, {3, 1}});
    QCOMPARE(w.Bezeichnung4->text(), QStringLiteral(" "));
    QCOMPARE(w.Bezeichnung3->text(), QStringLiteral("a"));
    checkInvariants(w, word);
    w.Zeit1->stop();
}

void RoundTest::trailingSpacesFinishWithTheLastLetter()
{
    ScriptedPlatform platform;
    fang w(platform);
    const QString word = QStringLiteral("ab  ");
    startRound(w, platform, word, {{1, 1}, {2, 1}, {3, 1}, {4, 1}});
    steerTo(w, {1, 1});
    steerTo(w, {2, 1});
    QVERIFY(w.MODUL1.CurrentWord.isEmpty());
    QCOMPARE(w.Bezeichnung4->text(), word);
    // The round is over: clock off, marker hidden.
    QVERIFY(!w.Zeit1->isActive());
    QVERIFY(w.Bezeichnung8->isHidden());
    checkInvariants(w, word);
}

void RoundTest::oneLetterWord()
{
    ScriptedPlatform platform;
    fang w(platform);
    startRound(w, platform, QStringLiteral("x"), {{5, 5}});
    steerTo(w, {5, 5});
    QVERIFY(w.Bild5->canvas().items().isEmpty());
    QVERIFY(w.Bezeichnung3->text().isEmpty());
    QVERIFY(!w.Zeit1->isActive());
    checkInvariants(w, QStringLiteral("x"));
}

void RoundTest::hundredLetterWordCanBePlayed()
{
    ScriptedPlatform platform;
    fang w(platform);
    QString word;
    for (int i = 0; i < 100; ++i)
        word += QChar(u'a' + i % 26);
    startRound(w, platform, word);
    QCOMPARE(w.MODUL1.CurrentWord, word);
    QCOMPARE(w.Bild5->canvas().items().size(), 100);
    int calls = 0;
    while (w.Zeit1->isActive()) {
        steerTo(w, QPoint(w.MODUL1.LetterX[1], w.MODUL1.LetterY[1]));
        if (++calls % 10 == 0)
            checkInvariants(w, word);
    }
    QCOMPARE(w.Bezeichnung4->text(), word);
}

void RoundTest::reshuffleTiming_data()
{
    QTest::addColumn<int>("period");
    QTest::addColumn<int>("changeAt");
    QTest::addColumn<int>("newPeriod");
    QTest::addColumn<QList<int>>("jumps");
    QTest::newRow("period 10 jumps at 10, 20, 30") << 10 << 0 << 0 << QList<int>{10, 20, 30};
    QTest::newRow("period 3 jumps every 3 seconds") << 3 << 0 << 0 << QList<int>{3, 6, 9, 12, 15, 18, 21, 24, 27, 30};
    QTest::newRow("10 changed to 4 at 7 jumps at 8, 12, 16") << 10 << 7 << 4 << QList<int>{8, 12, 16, 20, 24, 28};
}

void RoundTest::reshuffleTiming()
{
    QFETCH(int, period);
    QFETCH(int, changeAt);
    QFETCH(int, newPeriod);
    QFETCH(QList<int>, jumps);
    ScriptedPlatform platform;
    fang w(platform);
    w.HBildlauf1->setValue(period);
    startRound(w, platform, QStringLiteral("Quendolin"));
    QList<int> seen;
    for (int second = 1; second <= 30; ++second) {
        const int draws = platform.draws;
        w.Zeit1_Timer();
        QCOMPARE(w.Bezeichnung6->text(), QString::number(second));
        if (platform.draws != draws)
            seen.append(second);
        if (second == changeAt)
            w.HBildlauf1->setValue(newPeriod);
    }
    QCOMPARE(seen, jumps);
    w.Zeit1->stop();
}

void RoundTest::reshuffleKeepsTheMarkerOffTheLetters()
{
    ScriptedPlatform platform;
    fang w(platform);
    const QString word = QStringLiteral("Quendolin");
    startRound(w, platform, word);
    steerTo(w, {0, 0});
    for (int second = 1; second <= 100; ++second) {
        w.Zeit1_Timer();
        QCOMPARE(w.MODUL1.CurrentWord, word);
        checkInvariants(w, word);
        for (int i = 1; i <= 9; ++i)
            QVERIFY(!(w.MODUL1.LetterX[i] == 0 && w.MODUL1.LetterY[i] == 0));
    }
    w.Zeit1->stop();
}

void RoundTest::startClickRefusals()
{
    ScriptedPlatform platform;
    fang w(platform);
    w.List1->setItems({QStringLiteral("Ei")});
    w.NextWord();

    // A running round.
    w.Zeit1->start();
    w.Bild5_Click();
    QCOMPARE(platform.draws, 1);
    w.Zeit1->stop();

    // The high-score panel shown.
    w.Bild1->move(twipsToPixels(1800), w.Bild1->y());
    w.Bild5_Click();
    QVERIFY(!w.Zeit1->isActive());
    w.Bild1->move(twipsToPixels(8400), w.Bild1->y());

    // The file panel shown.
    w.Bild11->show();
    w.Bild5_Click();
    QVERIFY(!w.Zeit1->isActive());
    QVERIFY(w.Bezeichnung8->isHidden());
    QCOMPARE(platform.draws, 1);
}

void RoundTest::startClick()
{
    ScriptedPlatform platform;
    fang w(platform);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.List1->setItems({QStringLiteral("Ei")});
    w.NextWord();
    QTest::mouseClick(w.Bild5, Qt::LeftButton);
    QVERIFY(w.Zeit1->isActive());
    QVERIFY(!w.Bezeichnung8->isHidden());
    // The prompt is gone; the letters are there.
    QCOMPARE(w.Bild5->canvas().items().size(), 2);
    QCOMPARE(w.Bezeichnung6->text(), QStringLiteral("0"));
    checkInvariants(w, QStringLiteral("Ei"));
    w.Zeit1->stop();
}

void RoundTest::movesCountOnlyWhileTheClockRuns()
{
    ScriptedPlatform platform;
    fang w(platform);
    w.List1->setItems({QStringLiteral("Ab"), QStringLiteral("Reserve")});
    platform.randoms << 0.0f;
    w.NextWord();
    // Before the start click the cells still hold (0, 0): a move there must catch nothing.
    for (int i = 0; i < 20; ++i) {
        w.Form_KeyDown(fang::KeyLeft, 0);
        w.Form_KeyDown(fang::KeyUp, 0);
    }
    QCOMPARE(w.MODUL1.PlayerX, 9);
    QCOMPARE(w.MODUL1.PlayerY, 6);
    QVERIFY(w.Bezeichnung4->text().isEmpty());

    // After a won round, moves neither move nor finish the round again.
    scriptScatter(platform, {{9, 5}, {9, 4}});
    w.Bild5_Click();
    w.Form_KeyDown(fang::KeyUp, 0);
    w.Form_KeyDown(fang::KeyUp, 0);
    QVERIFY(!w.Zeit1->isActive());
    QCOMPARE(w.Bezeichnung4->text(), QStringLiteral("Ab"));
    w.Form_KeyDown(fang::KeyUp, 0);
    QCOMPARE(w.MODUL1.PlayerY, 4);
}

QTEST_MAIN(RoundTest)
#include "round_test.moc"
