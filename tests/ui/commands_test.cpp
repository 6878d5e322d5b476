#include "filebytes.h"
#include "roundhelpers.h"

#include <QApplication>
#include <QTest>
#include <QTimer>

namespace {

const QString QuitQuestion = QStringLiteral("Dieses Spiel jetzt beenden?\r");
const QString PauseText = QStringLiteral("Die Zeit wurde angehalten!\rWeiter mit der OK-Taste ...\r");

} // namespace

class CommandsTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void quitQuestion_data();
    void quitQuestion();
    void closingTheFrameAsksFirst();
    void pauseWithoutARoundDoesNothing();
    void pauseHoldsTheClock();
    void pauseAfterTheLastLetterTakesANewWord();
    void playerName_data();
    void playerName();
    void cancelledNameWithoutWordListAsksForAFile();
    void rules();

private:
    std::unique_ptr<TemporaryCurrentDir> m_dir;
};

void CommandsTest::init()
{
    m_dir = std::make_unique<TemporaryCurrentDir>();
}

void CommandsTest::cleanup()
{
    m_dir.reset();
    QVERIFY(QApplication::topLevelWidgets().isEmpty());
}

void CommandsTest::quitQuestion_data()
{
    QTest::addColumn<bool>("byEsc");
    QTest::addColumn<bool>("yes");
    QTest::newRow("button, yes quits") << false << true;
    QTest::newRow("button, no goes on") << false << false;
    QTest::newRow("Esc, yes quits") << true << true;
    QTest::newRow("Esc, no leaves everything as it was") << true << false;
}

void CommandsTest::quitQuestion()
{
    QFETCH(bool, byEsc);
    QFETCH(bool, yes);
    ScriptedPlatform platform;
    fang w(platform);
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    startRound(w, platform, QStringLiteral("Maus"));
    w.Zeit1_Timer();
    const auto cells = w.MODUL1.LetterX;
    platform.whileBoxOpen = [&](const ScriptedPlatform::Box &) { QVERIFY(w.Zeit1->isActive()); };
    platform.answers << (yes ? Platform::Answer::Yes : Platform::Answer::No);
    if (byEsc)
        QTest::keyClick(w.focusWidget(), Qt::Key_Escape);
    else
        w.Bild2_Click();
    QCOMPARE(platform.texts(), QStringList{QuitQuestion});
    QCOMPARE(platform.boxes[0].title, QStringLiteral("Zaplino"));
    QCOMPARE(platform.boxes[0].buttons, Platform::Buttons::YesNo);
    QCOMPARE(platform.boxes[0].icon, Platform::Icon::Stop);
    QCOMPARE(platform.quits, yes ? 1 : 0);
    QCOMPARE(w.Zeit1->isActive(), !yes);
    QCOMPARE(w.Bezeichnung8->isHidden(), yes);
    QCOMPARE(w.Bezeichnung6->text(), QStringLiteral("1"));
    QCOMPARE(w.MODUL1.LetterX, cells);
    QCOMPARE(w.MODUL1.CurrentWord, QStringLiteral("Maus"));
    w.Zeit1->stop();
}

void CommandsTest::closingTheFrameAsksFirst()
{
    ScriptedPlatform platform;
    fang w(platform);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QVERIFY(!w.close());
    QVERIFY(w.isVisible());
    QCOMPARE(platform.texts(), QStringList{QuitQuestion});
    platform.answers << Platform::Answer::Yes;
    w.close();
    QCOMPARE(platform.quits, 1);
}

void CommandsTest::pauseWithoutARoundDoesNothing()
{
    ScriptedPlatform platform;
    fang w(platform);
    w.List1->setItems({QStringLiteral("Maus"), QStringLiteral("Reserve")});
    w.NextWord();
    platform.boxes.clear();
    w.Bild6_Click();
    QVERIFY(platform.boxes.isEmpty());
    QVERIFY(!w.Zeit1->isActive());
}

void CommandsTest::pauseHoldsTheClock()
{
    ScriptedPlatform platform;
    fang w(platform);
    startRound(w, platform, QStringLiteral("Maus"));
    w.Zeit1_Timer();
    w.Zeit1_Timer();
    platform.whileBoxOpen = [&](const ScriptedPlatform::Box &) {
        QVERIFY(!w.Zeit1->isActive());
        // A tick cannot come while the clock is off; time passing changes nothing.
        QTest::qWait(1200);
        QCOMPARE(w.Bezeichnung6->text(), QStringLiteral("2"));
    };
    w.Bild6_Click();
    QCOMPARE(platform.boxes.size(), 1);
    QCOMPARE(platform.boxes[0].text, PauseText);
    QCOMPARE(platform.boxes[0].title, QStringLiteral("Spielpause"));
    QCOMPARE(platform.boxes[0].icon, Platform::Icon::None);
    QVERIFY(w.Zeit1->isActive());
    QCOMPARE(w.MODUL1.CurrentWord, QStringLiteral("Maus"));
    w.Zeit1_Timer();
    QCOMPARE(w.Bezeichnung6->text(), QStringLiteral("3"));
    w.Zeit1->stop();
}

void CommandsTest::pauseAfterTheLastLetterTakesANewWord()
{
    ScriptedPlatform platform;
    fang w(platform);
    startRound(w, platform, QStringLiteral("Maus"));
    // A next-letter label that is empty while the clock runs.
    w.Bezeichnung3->setText(QString());
    w.Bild6_Click();
    QCOMPARE(w.MODUL1.CurrentWord, QStringLiteral("Reserve"));
    QVERIFY(!w.Zeit1->isActive());
    QVERIFY(w.Bezeichnung8->isHidden());
}

void CommandsTest::playerName_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("name");
    QTest::newRow("a name is taken as typed") << " Jörg " << " Jörg ";
    QTest::newRow("blanks only are a name") << "   " << "   ";
    QTest::newRow("empty keeps the name") << "" << "Freund und Gast";
    QTest::newRow("a long name is kept whole") << QString(300, u'x') << QString(300, u'x');
}

void CommandsTest::playerName()
{
    QFETCH(QString, typed);
    QFETCH(QString, name);
    ScriptedPlatform platform;
    fang w(platform);
    startRound(w, platform, QStringLiteral("Maus"));
    platform.typed << typed;
    w.Bild7_Click();
    QCOMPARE(platform.inputs.size(), 1);
    QCOMPARE(platform.inputs[0].prompt, QStringLiteral("Benutzername"));
    QCOMPARE(platform.inputs[0].title, QStringLiteral("Zaplino"));
    QVERIFY(platform.inputs[0].defaultText.isEmpty());
    QCOMPARE(w.Bezeichnung14->text(), name);
    // The round is abandoned and a new word set up in every case.
    QVERIFY(!w.Zeit1->isActive());
    QVERIFY(w.Bezeichnung8->isHidden());
    QCOMPARE(w.MODUL1.CurrentWord, QStringLiteral("Reserve"));
    // The name goes into the high scores as it stands, blanks and all.
    w.Bild5_Click();
    playToTheEnd(w);
    QCOMPARE(w.Liste1->items(), QStringList{"   7    0   10 " + name});
    QVERIFY(scoresSettled(w));
    QCOMPARE(readBytes(QStringLiteral("BESTFANG.LST")), (">   7    0   10 " + name + "\r\n").toLatin1());
}

void CommandsTest::cancelledNameWithoutWordListAsksForAFile()
{
    ScriptedPlatform platform;
    fang w(platform);
    w.Bild7_Click();
    QCOMPARE(w.Bezeichnung14->text(), QStringLiteral("Freund und Gast"));
    QCOMPARE(platform.texts(), QStringList{"Bitte erst eine Datei laden!\r(Doppelklick auf Dateiliste)\r"});
    QVERIFY(!w.Bild11->isHidden());
}

void CommandsTest::rules()
{
    ScriptedPlatform platform;
    fang w(platform);
    startRound(w, platform, QStringLiteral("Maus"));
    w.Bild4_Click();
    QCOMPARE(platform.boxes.size(), 1);
    QCOMPARE(platform.boxes[0].text,
             QStringLiteral("Du musst die Buchstaben eines Wortes der\rReihe nach fangen. Bei mehreren gleichen\r"
                            "Buchstaben weißt du aber nicht, welcher\rder Buchstaben zuerst gefangen werden\r"
                            "muss. Da hilft nur eine schnelle Reaktion!\rSteuern musst du mit den vier Pfeiltasten.\r"));
    QCOMPARE(platform.boxes[0].title, QStringLiteral("Zaplino"));
    QCOMPARE(platform.boxes[0].icon, Platform::Icon::None);
    QCOMPARE(platform.boxes[0].buttons, Platform::Buttons::Ok);
    QVERIFY(w.Zeit1->isActive());
    w.Zeit1->stop();
}

QTEST_MAIN(CommandsTest)
#include "commands_test.moc"
