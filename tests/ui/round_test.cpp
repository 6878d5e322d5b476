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
    void catching_data();
    void catching();
    void hundredLetterWordCanBePlayed();
    void reshuffleTiming_data();
    void reshuffleTiming();
    void reshuffleKeepsTheMarkerOffTheLetters();
    void startClickRefusals();
    void startClick();
    void movesCountOnlyWhileTheClockRuns_data();
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
    // A cell is 400 twips, 80/3 pixels, inside the field's one-pixel border.
    QCOMPARE(w.Bezeichnung8->pos(), QPoint(1 + qRound(m.PlayerX * 80 / 3.0), 1 + qRound(m.PlayerY * 80 / 3.0)));
    // The words played here have no letters outside the BMP.
    QList<PrintedText> expected;
    for (int i = 1; i <= m.CurrentWord.size(); ++i)
        expected.append({400 * m.LetterX[i], 400 * m.LetterY[i], m.CurrentWord.mid(i - 1, 1)});
    QCOMPARE(w.Bild5->canvas().items(), expected);
}

void RoundTest::catching_data()
{
    QTest::addColumn<QString>("word");
    QTest::addColumn<QList<QPoint>>("cells");
    QTest::addColumn<QList<QPoint>>("path");
    // The letters caught after the start click and after each cell of the path.
    QTest::addColumn<QStringList>("caught");
    using Cells = QList<QPoint>;
    QTest::newRow("only the first remaining of like letters counts")
        << "Otto" << Cells{{2, 2}, {6, 2}, {4, 2}, {8, 8}} << Cells{{4, 2}, {2, 2}, {4, 2}, {6, 2}, {4, 2}}
        << QStringList{"", "", "O", "O", "Ot", "Ott"};
    QTest::newRow("space is caught without a move")
        << "ab c" << Cells{{1, 1}, {2, 1}, {3, 1}, {4, 1}} << Cells{{1, 1}, {2, 1}} << QStringList{"", "a", "ab "};
    QTest::newRow("leading space is caught by the start click")
        << " ab" << Cells{{1, 1}, {2, 1}, {3, 1}} << Cells{} << QStringList{" "};
    QTest::newRow("trailing spaces finish with the last letter")
        << "ab  " << Cells{{1, 1}, {2, 1}, {3, 1}, {4, 1}} << Cells{{1, 1}, {2, 1}} << QStringList{"", "a", "ab  "};
    QTest::newRow("one-letter word") << "x" << Cells{{5, 5}} << Cells{{5, 5}} << QStringList{"", "x"};
}

void RoundTest::catching()
{
    QFETCH(QString, word);
    QFETCH(QList<QPoint>, cells);
    QFETCH(QList<QPoint>, path);
    QFETCH(QStringList, caught);
    ScriptedPlatform platform;
    fang w(platform);
    startRound(w, platform, word, cells);
    QCOMPARE(w.Bezeichnung4->text(), caught[0]);
    checkInvariants(w, word);
    for (qsizetype i = 0; i < path.size(); ++i) {
        steerTo(w, path[i]);
        QCOMPARE(w.Bezeichnung4->text(), caught[i + 1]);
        checkInvariants(w, word);
    }
    // The last letter ends the round: clock off, marker hidden.
    const bool won = caught.last() == word;
    QCOMPARE(w.Zeit1->isActive(), !won);
    QCOMPARE(w.Bezeichnung8->isHidden(), won);
    w.Zeit1->stop();
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
    w.Bild1->move(120, w.Bild1->y());
    w.Bild5_Click();
    QVERIFY(!w.Zeit1->isActive());
    w.Bild1->move(560, w.Bild1->y());

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

void RoundTest::movesCountOnlyWhileTheClockRuns_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<QPoint>("step");
    QTest::newRow("up") << int(Qt::Key_Up) << QPoint(0, -1);
    QTest::newRow("down") << int(Qt::Key_Down) << QPoint(0, 1);
    QTest::newRow("left") << int(Qt::Key_Left) << QPoint(-1, 0);
    QTest::newRow("right") << int(Qt::Key_Right) << QPoint(1, 0);
}

void RoundTest::movesCountOnlyWhileTheClockRuns()
{
    QFETCH(int, key);
    QFETCH(QPoint, step);
    ScriptedPlatform platform;
    fang w(platform);
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    w.Bild5->setFocus();
    const auto press = [&] { QTest::keyClick(w.focusWidget(), Qt::Key(key)); };
    w.List1->setItems({QStringLiteral("Ab"), QStringLiteral("Reserve")});
    platform.randoms << 0.0f;
    w.NextWord();
    const QPoint start(9, 6);
    // Before the start click the cells still hold (0, 0): a move there must catch nothing.
    for (int i = 0; i < 10; ++i)
        press();
    QCOMPARE(QPoint(w.MODUL1.PlayerX, w.MODUL1.PlayerY), start);

    // Two moves win the round; moves after it neither move nor finish the round again.
    scriptScatter(platform, {start + step, start + 2 * step});
    w.Bild5_Click();
    for (int i = 0; i < 4; ++i)
        press();
    QVERIFY(!w.Zeit1->isActive());
    QCOMPARE(w.Liste1->items(), QStringList{"   2    0   10 Freund und Gast"});
    QCOMPARE(platform.texts(), QStringList{"Du hast es in 0 Sekunden geschafft.\r"});
    QCOMPARE(QPoint(w.MODUL1.PlayerX, w.MODUL1.PlayerY), start + 2 * step);
}

QTEST_MAIN(RoundTest)
#include "round_test.moc"
