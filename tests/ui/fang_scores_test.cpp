#include "filebytes.h"
#include "roundhelpers.h"
#include "scriptedplatform.h"
#include "ui/controls.h"
#include "ui/fang.h"

#include <QDir>
#include <QFile>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

const QString FileName = QStringLiteral("BESTFANG.LST");
const int Hidden = 560;
const int Shown = 120;

// One arrow key towards the next letter's cell.
Qt::Key stepTowardsNextLetter(const Modul1 &m)
{
    if (m.PlayerX < m.LetterX[1])
        return Qt::Key_Right;
    if (m.PlayerX > m.LetterX[1])
        return Qt::Key_Left;
    return m.PlayerY < m.LetterY[1] ? Qt::Key_Down : Qt::Key_Up;
}

// Where the style draws a part of a scroll bar.
QRect scrollBarPart(QScrollBar *bar, QStyle::SubControl part)
{
    QStyleOptionSlider option;
    option.initFrom(bar);
    option.subControls = QStyle::SC_All;
    option.orientation = bar->orientation();
    option.state |= QStyle::State_Horizontal;
    option.minimum = bar->minimum();
    option.maximum = bar->maximum();
    option.sliderPosition = bar->sliderPosition();
    option.sliderValue = bar->value();
    option.singleStep = bar->singleStep();
    option.pageStep = bar->pageStep();
    return bar->style()->subControlRect(QStyle::CC_ScrollBar, &option, part, bar);
}

// The columns x in [from, to) of a band of rows where anything differs from its background.
QList<int> inkColumns(const QImage &image, int top, int bottom, int from, int to)
{
    const QRgb background = image.pixel(from, top);
    QList<int> columns;
    for (int x = from; x < to; ++x) {
        for (int y = top; y <= bottom; ++y) {
            if (image.pixel(x, y) != background) {
                columns.append(x);
                break;
            }
        }
    }
    return columns;
}

} // namespace

class FangScoresTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void loadShowsTheFileSorted();
    void loadFailureIsReportedOnce_data();
    void loadFailureIsReportedOnce();

    void panelPausesARunningRound();
    void panelOpenedWhileStoppedNeverStartsTheClock();
    void newWordWhileShownStillRestartsTheClock();
    void closingWithNoNextLetterAsksForAWord();

    void wholeRoundEndsInTheFile();
    void resultShowsTheFullSeconds();
    void roundEndingWithThePanelShownReportsItsOwnSeconds();
    void failedSaveKeepsTheListAndTheOldFile();
    void aFailureIsToldWhenNoRoundRuns();
    void aQuitBringsTheRoundsAFailedSaveKept();
    void twoGamesInOneFolderKeepEachOthersRounds();
    void draggedPeriodIsShownClockedAndRecorded_data();
    void draggedPeriodIsShownClockedAndRecorded();
    void wordOfBlanksIsWonWithTheMarkerHidden();
    void headerStandsOverTheEntriesAndLongNamesAreCut();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_oldCurrent;
};

void FangScoresTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_oldCurrent = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_dir->path()));
}

void FangScoresTest::cleanup()
{
    QDir::setCurrent(m_oldCurrent);
    m_dir.reset();
    QVERIFY(QApplication::topLevelWidgets().isEmpty());
}

void FangScoresTest::loadShowsTheFileSorted()
{
    writeBytes(FileName, ">   5   12    3 Zoe\r\n>   4   37   10 J\xf6rg\r\n>   4   37   10 anna");
    ScriptedPlatform platform;
    fang w(platform);
    w.LoadHighScores();
    QVERIFY(scoresSettled(w));
    QVERIFY(platform.boxes.isEmpty());
    const QStringList sorted{"   4   37   10 anna", QString::fromUtf8("   4   37   10 Jörg"),
                             "   5   12    3 Zoe"};
    QCOMPARE(w.Liste1->items(), sorted);
    // Every activation reads the list afresh instead of adding to it.
    w.LoadHighScores();
    QVERIFY(scoresSettled(w));
    QCOMPARE(w.Liste1->items(), sorted);
}

void FangScoresTest::loadFailureIsReportedOnce_data()
{
    QTest::addColumn<bool>("folder");
    QTest::newRow("no file") << false;
    QTest::newRow("a folder in place of the file") << true;
}

void FangScoresTest::loadFailureIsReportedOnce()
{
    QFETCH(bool, folder);
    if (folder)
        QVERIFY(QDir().mkdir(FileName));
    ScriptedPlatform platform;
    fang w(platform);
    w.Liste1->setItems({QStringLiteral("   4   37   10 alt")});
    w.LoadHighScores();
    QVERIFY(scoresSettled(w));
    QCOMPARE(platform.boxes.size(), 1);
    QCOMPARE(platform.boxes[0].text, QStringLiteral("Bestenliste fehlt.\r"));
    QCOMPARE(platform.boxes[0].title, QStringLiteral("Bestenliste"));
    QCOMPARE(platform.boxes[0].buttons, Platform::Buttons::Ok);
    QCOMPARE(platform.boxes[0].icon, Platform::Icon::None);
    QVERIFY(w.Liste1->items().isEmpty());
}

void FangScoresTest::panelPausesARunningRound()
{
    ScriptedPlatform platform;
    fang w(platform);
    w.List1->setItems({QStringLiteral("Hase"), QStringLiteral("Igel")});
    w.NextWord();
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.Bild5_Click();
    QVERIFY(w.Zeit1->isActive());

    QTest::mouseClick(w.Bild9, Qt::LeftButton);
    QCOMPARE(w.Bild1->x(), Shown);
    QVERIFY(!w.Zeit1->isActive());
    QVERIFY(w.MODUL1.ClockWasRunning);
    // The round stays as it was, marker included.
    QVERIFY(w.Bezeichnung8->isVisible());

    QTest::mouseClick(w.Bezeichnung20, Qt::LeftButton);
    QCOMPARE(w.Bild1->x(), Hidden);
    QVERIFY(w.Zeit1->isActive());
    QVERIFY(!w.MODUL1.ClockWasRunning);
    QCOMPARE(w.List1->listCount(), 1);
    w.Zeit1->stop();
}

void FangScoresTest::panelOpenedWhileStoppedNeverStartsTheClock()
{
    ScriptedPlatform platform;
    fang w(platform);
    w.List1->setItems({QStringLiteral("Hase"), QStringLiteral("Igel")});
    w.NextWord();
    w.Bild9_Click();
    QCOMPARE(w.Bild1->x(), Shown);
    // The field does not start a round under the panel.
    w.Bild5_Click();
    QVERIFY(!w.Zeit1->isActive());
    w.Bild9_Click();
    QCOMPARE(w.Bild1->x(), Hidden);
    QVERIFY(!w.Zeit1->isActive());
    QVERIFY(!w.MODUL1.ClockWasRunning);
}

void FangScoresTest::newWordWhileShownStillRestartsTheClock()
{
    ScriptedPlatform platform;
    fang w(platform);
    w.List1->setItems({QStringLiteral("Hase"), QStringLiteral("Igel"), QStringLiteral("Maus")});
    w.NextWord();
    w.Bild5_Click();
    w.Bild9_Click();
    w.Bild10_Click();
    QCOMPARE(w.Bezeichnung6->text(), QStringLiteral("0"));
    QVERIFY(!w.Zeit1->isActive());
    w.Bild9_Click();
    QVERIFY(w.Zeit1->isActive());
    QCOMPARE(w.List1->listCount(), 1);
    w.Zeit1->stop();
}

void FangScoresTest::closingWithNoNextLetterAsksForAWord()
{
    ScriptedPlatform platform;
    fang w(platform);
    w.List1->setItems({QStringLiteral("Hase"), QStringLiteral("Igel")});
    QVERIFY(w.Bezeichnung3->text().isEmpty());
    w.Bild9_Click();
    QCOMPARE(w.List1->listCount(), 2);
    w.Bild9_Click();
    QCOMPARE(w.List1->listCount(), 1);
    QVERIFY(!w.Bezeichnung3->text().isEmpty());
    QCOMPARE(w.Bezeichnung6->text(), QStringLiteral("0"));
}

void FangScoresTest::wholeRoundEndsInTheFile()
{
    ScriptedPlatform platform;
    fang w(platform);
    w.List1->setItems({QStringLiteral("Hut ab"), QStringLiteral("Igel")});
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    platform.randoms.enqueue(0.0f); // the first word of the list
    w.Form_Activate();
    QVERIFY(scoresSettled(w));
    QCOMPARE(platform.texts(), QStringList{"Bestenliste fehlt.\r"});
    QCOMPARE(w.Bezeichnung5->text(), QStringLiteral("ut ab"));

    QTest::mouseClick(w.Bild5, Qt::LeftButton);
    QVERIFY(w.Zeit1->isActive());
    QCOMPARE(QApplication::focusWidget(), w.Bild5);
    // Twelve seconds pass, with one reshuffle at the tenth.
    for (int i = 0; i < 12; ++i)
        w.Zeit1_Timer();

    bool checkedWhileOpen = false;
    platform.whileBoxOpen = [&](const ScriptedPlatform::Box &box) {
        if (box.title != QLatin1String("Quendolin"))
            return;
        checkedWhileOpen = true;
        QVERIFY(!w.Zeit1->isActive());
        QVERIFY(!w.Bezeichnung8->isVisible());
        QCOMPARE(w.Bild1->x(), Shown);
        QCOMPARE(w.Liste1->items(), QStringList{"   6   12   10 Freund und Gast"});
        QVERIFY(!QFile::exists(FileName));
    };
    for (int steps = 0; !w.MODUL1.CurrentWord.isEmpty() && steps < 200; ++steps)
        QTest::keyClick(QApplication::focusWidget(), stepTowardsNextLetter(w.MODUL1));
    QVERIFY(w.MODUL1.CurrentWord.isEmpty());
    QVERIFY(checkedWhileOpen);
    QVERIFY(scoresSettled(w));

    QCOMPARE(platform.boxes.size(), 2);
    QCOMPARE(platform.boxes[1].text, QStringLiteral("Du hast es in 12 Sekunden geschafft.\r"));
    QCOMPARE(platform.boxes[1].buttons, Platform::Buttons::Ok);
    QCOMPARE(platform.boxes[1].icon, Platform::Icon::None);
    QCOMPARE(readBytes(FileName), QByteArray(">   6   12   10 Freund und Gast\r\n"));

    // Closing the panel sets up the next word.
    QTest::mouseClick(w.Bezeichnung20, Qt::LeftButton);
    QCOMPARE(w.Bezeichnung3->text(), QStringLiteral("I"));
    QVERIFY(!w.Zeit1->isActive());
}

void FangScoresTest::resultShowsTheFullSeconds()
{
    writeBytes(FileName, ">   3    9    3 Zoe\r\n");
    ScriptedPlatform platform;
    fang w(platform);
    w.LoadHighScores();
    QVERIFY(scoresSettled(w));
    w.Bezeichnung4->setText(QStringLiteral("Hase"));
    w.Bezeichnung6->setText(QStringLiteral("12345"));
    w.Bezeichnung14->setText(QString::fromUtf8("Jörg"));
    w.FinishRound();
    QVERIFY(scoresSettled(w));
    QCOMPARE(platform.texts(), QStringList{"Du hast es in 12345 Sekunden geschafft.\r"});
    QCOMPARE(platform.boxes[0].title, QStringLiteral("Quendolin"));
    QCOMPARE(w.Liste1->items(),
             (QStringList{"   3    9    3 Zoe", QString::fromUtf8("   4 2345   10 Jörg")}));
    QCOMPARE(readBytes(FileName), QByteArray(">   3    9    3 Zoe\r\n>   4 2345   10 J\xf6rg\r\n"));
}

void FangScoresTest::roundEndingWithThePanelShownReportsItsOwnSeconds()
{
    ScriptedPlatform platform;
    fang w(platform);
    w.List1->setItems({QStringLiteral("Igel")});
    w.Bild9_Click();
    w.Bezeichnung4->setText(QStringLiteral("Hase"));
    w.Bezeichnung6->setText(QStringLiteral("37"));
    w.FinishRound();
    // The toggle closed the panel and set up the next word before the result box.
    QCOMPARE(w.Bild1->x(), Hidden);
    QCOMPARE(w.Bezeichnung6->text(), QStringLiteral("0"));
    QCOMPARE(platform.boxes.last().text, QStringLiteral("Du hast es in 37 Sekunden geschafft.\r"));
    QVERIFY(scoresSettled(w));
    QCOMPARE(readBytes(FileName), QByteArray(">   4   37   10 Freund und Gast\r\n"));
}

void FangScoresTest::failedSaveKeepsTheListAndTheOldFile()
{
    QVERIFY(QDir().mkpath(FileName + QStringLiteral("/alt")));
    ScriptedPlatform platform;
    fang w(platform);
    w.Bezeichnung4->setText(QStringLiteral("Hase"));
    w.Bezeichnung6->setText(QStringLiteral("37"));
    w.FinishRound();
    QVERIFY(scoresSettled(w));
    QCOMPARE(platform.boxes.size(), 2);
    QCOMPARE(platform.boxes[1].title, QStringLiteral("Bestenliste"));
    QVERIFY(platform.boxes[1].text.endsWith(QLatin1Char('\r')));
    QCOMPARE(platform.boxes[1].buttons, Platform::Buttons::Ok);
    QCOMPARE(platform.boxes[1].icon, Platform::Icon::None);
    QCOMPARE(w.Liste1->items(), QStringList{"   4   37   10 Freund und Gast"});
    QCOMPARE(QDir(FileName).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"alt"});
}

// The clock would run on under the box: a save that fails while the next round runs is
// told at that round's end, once; the next save carries its round.
void FangScoresTest::aFailureIsToldWhenNoRoundRuns()
{
    QVERIFY(QDir().mkpath(FileName + QStringLiteral("/alt")));
    const QString notSaved = QStringLiteral("Die Bestenliste konnte nicht gespeichert werden.\r");
    ScriptedPlatform platform;
    fang w(platform);
    // The folder is mended while the box tells of it.
    platform.whileBoxOpen = [&](const ScriptedPlatform::Box &box) {
        QVERIFY(!w.Zeit1->isActive());
        if (box.text == notSaved)
            QVERIFY(QDir(FileName).removeRecursively());
    };
    startRound(w, platform, QStringLiteral("Ei"), {{1, 1}, {2, 1}});
    playToTheEnd(w);
    QVERIFY(w.scoreStore().saving());
    w.Bezeichnung20_Click();
    w.Bild5_Click();
    QVERIFY(scoresSettled(w));
    QCOMPARE(platform.texts().count(notSaved), 0);

    playToTheEnd(w);
    QCOMPARE(platform.texts().last(), notSaved);
    QCOMPARE(platform.texts().count(notSaved), 1);
    QVERIFY(scoresSettled(w));
    QCOMPARE(platform.texts().count(notSaved), 1);
    QCOMPARE(readBytes(FileName), QByteArray(">   2    0   10 Freund und Gast\r\n>   7    0   10 Freund und Gast\r\n"));
}

void FangScoresTest::aQuitBringsTheRoundsAFailedSaveKept()
{
    QVERIFY(QDir().mkpath(FileName + QStringLiteral("/alt")));
    ScriptedPlatform platform;
    fang w(platform);
    const QString notSaved = QStringLiteral("Die Bestenliste konnte nicht gespeichert werden.\r");
    // The folder is mended while the box tells of it.
    platform.whileBoxOpen = [&](const ScriptedPlatform::Box &box) {
        if (box.text == notSaved)
            QDir(FileName).removeRecursively();
    };
    w.Bezeichnung4->setText(QStringLiteral("Ei"));
    w.Bezeichnung6->setText(QStringLiteral("0"));
    w.FinishRound();
    QVERIFY(scoresSettled(w));
    QCOMPARE(platform.texts().last(), notSaved);
    w.QuitGame();
    QTRY_COMPARE(platform.quits, 1);
    QCOMPARE(readBytes(FileName), QByteArray(">   2    0   10 Freund und Gast\r\n"));
}

void FangScoresTest::twoGamesInOneFolderKeepEachOthersRounds()
{
    ScriptedPlatform platformA;
    ScriptedPlatform platformB;
    fang a(platformA);
    fang b(platformB);
    const auto win = [](fang &w, const QString &word, const QString &seconds, const QString &name) {
        w.Bezeichnung4->setText(word);
        w.Bezeichnung6->setText(seconds);
        w.Bezeichnung14->setText(name);
        w.FinishRound();
        QVERIFY(scoresSettled(w));
    };
    for (fang *w : {&a, &b}) {
        w->List1->setItems({QStringLiteral("Hund"), QStringLiteral("Katze"), QStringLiteral("Maus")});
        w->LoadHighScores();
        QVERIFY(scoresSettled(*w));
    }

    win(a, "Hase", "12", "Anna");
    QCOMPARE(readBytes(FileName), QByteArray(">   4   12   10 Anna\r\n"));
    win(b, "Igel", "7", "Ben");
    QCOMPARE(readBytes(FileName), QByteArray(">   4    7   10 Ben\r\n>   4   12   10 Anna\r\n"));
    win(a, "Maus", "30", "Anna");
    win(b, "Esel", "12", "Ben");
    QCOMPARE(readBytes(FileName), QByteArray(">   4    7   10 Ben\r\n>   4   12   10 Anna\r\n>   4   12   10 Ben\r\n"
                                             ">   4   30   10 Anna\r\n"));
    // A list shows what it read and its own rounds; the other game's come at the next activation.
    QCOMPARE(a.Liste1->items(), (QStringList{"   4   12   10 Anna", "   4   30   10 Anna"}));
    a.LoadHighScores();
    QVERIFY(scoresSettled(a));
    QCOMPARE(a.Liste1->listCount(), 4);
}

void FangScoresTest::draggedPeriodIsShownClockedAndRecorded_data()
{
    QTest::addColumn<int>("towards"); // -1 past the left end, 0 the groove's middle, 1 past the right end
    QTest::addColumn<int>("period");
    QTest::newRow("thumb to schnell") << -1 << 3;
    QTest::newRow("thumb to the middle") << 0 << 9;
    QTest::newRow("thumb to langsam") << 1 << 15;
}

// While the thumb is held, the period on show is the one the clock goes by and the
// one a round won then records.
void FangScoresTest::draggedPeriodIsShownClockedAndRecorded()
{
    QFETCH(int, towards);
    QFETCH(int, period);
    ScriptedPlatform platform;
    fang w(platform);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    startRound(w, platform, QStringLiteral("Ei"), {{1, 1}, {2, 1}});
    QScrollBar *bar = w.HBildlauf1;

    const QPoint grip = scrollBarPart(bar, QStyle::SC_ScrollBarSlider).center();
    const int grooveMiddle = scrollBarPart(bar, QStyle::SC_ScrollBarGroove).center().x();
    const QPoint to(towards < 0 ? -40 : towards > 0 ? bar->width() + 40 : grooveMiddle, grip.y());
    QTest::mousePress(bar, Qt::LeftButton, {}, grip);
    QTest::mouseMove(bar, (grip + to) / 2);
    QTest::mouseMove(bar, to);
    QVERIFY(bar->isSliderDown());
    QCOMPARE(w.Bezeichnung15->text(), QString::number(period));

    // The tick that completes the new period reshuffles; the old period of 10 would not.
    w.Bezeichnung6->setText(QString::number(period - 1));
    scriptScatter(platform, {{5, 7}, {6, 7}});
    w.Zeit1_Timer();
    QCOMPARE(QPoint(w.MODUL1.LetterX[1], w.MODUL1.LetterY[1]), QPoint(5, 7));

    playToTheEnd(w);
    QVERIFY(bar->isSliderDown());
    QCOMPARE(w.Liste1->listCount(), 1);
    QCOMPARE(w.Liste1->list(0).mid(10, 4), QStringLiteral("%1").arg(period, 4));

    QTest::mouseRelease(bar, Qt::LeftButton, {}, to);
    QCOMPARE(bar->value(), period);
    QCOMPARE(w.Bezeichnung15->text(), QString::number(period));
}

// A word of blanks is caught by the start click itself: the round is over at once.
void FangScoresTest::wordOfBlanksIsWonWithTheMarkerHidden()
{
    ScriptedPlatform platform;
    fang w(platform);
    startRound(w, platform, QStringLiteral("  "), {{1, 1}, {2, 1}});
    QVERIFY(!w.Zeit1->isActive());
    QVERIFY(w.Bezeichnung8->isHidden());
    QCOMPARE(w.Liste1->items(), QStringList{"   2    0   10 Freund und Gast"});
}

// The header and the entries share one fixed-pitch font; set as an entry, the header's
// own text must cover exactly the same columns of pixels as the header does.
void FangScoresTest::headerStandsOverTheEntriesAndLongNamesAreCut()
{
    ScriptedPlatform platform;
    fang w(platform);
    const QString longName = QStringLiteral("M").repeated(80);
    w.Liste1->addItem(w.Bezeichnung12->text());
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.Bild9_Click();
    QCoreApplication::processEvents();
    // Added as a won round adds it, to a list already on show.
    w.Liste1->addItem(QStringLiteral("   4   37   10 ") + longName);
    QCoreApplication::processEvents();
    const QImage panel = w.Bild1->grab().toImage();

    // Inside the header's border, and inside the list's viewport.
    const QRect header = w.Bezeichnung12->geometry().adjusted(1, 1, -1, -1);
    QWidget *viewport = w.Liste1->viewport();
    const QRect entries(viewport->mapTo(w.Bild1, QPoint(0, 0)), viewport->size());
    const int left = std::max(header.left(), entries.left());
    const int right = std::min(header.right(), entries.right()) + 1;
    const QRect first = w.Liste1->visualRect(w.Liste1->model()->index(0, 0)).translated(entries.topLeft());
    const QList<int> headerInk = inkColumns(panel, header.top(), header.bottom(), left, right);
    QVERIFY(headerInk.size() > 100);
    QCOMPARE(inkColumns(panel, first.top(), first.bottom(), left, right), headerInk);

    // The long name runs on to the list's edge: its last visible letters are M's, with
    // ink in the upper half of the line, where an ellipsis has none.
    const QRect second = w.Liste1->visualRect(w.Liste1->model()->index(1, 0)).translated(entries.topLeft());
    QVERIFY(!inkColumns(panel, second.top(), second.center().y() - 2, entries.right() - 12, entries.right()).isEmpty());
}

QTEST_MAIN(FangScoresTest)
#include "fang_scores_test.moc"
