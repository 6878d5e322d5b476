#include "roundhelpers.h"

#include <QApplication>
#include <QTest>
#include <QTimer>

namespace {

const QString LoadFirst = QStringLiteral("Bitte erst eine Datei laden!\r(Doppelklick auf Dateiliste)\r");
const QString LastEntry = QStringLiteral("Das ist der letzte Eintrag der aktuellen Textliste.\r"
                                         "Nach der Runde musst du eine neue Datei laden.\r");
const QString Prompt = QString(11, u' ') + QStringLiteral("Zum Starten hier klicken . . .");

} // namespace

class NextWordTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void lastEntryIsSetUpThenAnnounced();
    void entriesAreTakenOnceEach();
    void pickUsesTheRandomValue();
    void entriesPlayedAsTheyAreOrReplaced_data();
    void entriesPlayedAsTheyAreOrReplaced();
    void setUpShowsOnlyThePrompt();
    void emptyStoreWithPanelHidden();
    void emptyStoreWithPanelVisible();
    void newWordButtonAbandonsTheRound();
    void activationStartsWithTheDefaultWord();

private:
    std::unique_ptr<TemporaryCurrentDir> m_dir;
};

void NextWordTest::init()
{
    m_dir = std::make_unique<TemporaryCurrentDir>();
}

void NextWordTest::cleanup()
{
    m_dir.reset();
    QVERIFY(QApplication::topLevelWidgets().isEmpty());
}

void NextWordTest::lastEntryIsSetUpThenAnnounced()
{
    ScriptedPlatform platform;
    fang w(platform);
    w.List1->setItems({QStringLiteral("Igel")});
    platform.whileBoxOpen = [&](const ScriptedPlatform::Box &) {
        // The word is already set up when the notice shows.
        QCOMPARE(w.Bezeichnung3->text(), QStringLiteral("I"));
    };
    w.NextWord();
    QCOMPARE(w.MODUL1.CurrentWord, QStringLiteral("Igel"));
    QCOMPARE(w.List1->listCount(), 0);
    QCOMPARE(platform.boxes.size(), 1);
    QCOMPARE(platform.boxes[0].text, LastEntry);
    QCOMPARE(platform.boxes[0].title, QStringLiteral("Textliste"));
    QCOMPARE(platform.boxes[0].icon, Platform::Icon::Information);
    QCOMPARE(platform.boxes[0].buttons, Platform::Buttons::Ok);
}

void NextWordTest::entriesAreTakenOnceEach()
{
    ScriptedPlatform platform;
    fang w(platform);
    QStringList entries;
    for (int i = 0; i < 30; ++i)
        entries.append(QStringLiteral("Wort%1").arg(i));
    w.List1->setItems(entries);
    QStringList taken;
    for (int i = 0; i < 30; ++i) {
        w.NextWord();
        taken.append(w.Bezeichnung11->text());
    }
    QCOMPARE(platform.reseeds, 30);
    taken.sort();
    entries.sort();
    QCOMPARE(taken, entries);
    QCOMPARE(w.List1->listCount(), 0);
}

void NextWordTest::pickUsesTheRandomValue()
{
    ScriptedPlatform platform;
    fang w(platform);
    w.List1->setItems({"a", "b", "c", "d"});
    platform.randoms << 0.5f << 0.99f << 0.0f;
    w.NextWord();
    QCOMPARE(w.MODUL1.CurrentWord, QStringLiteral("c"));
    QCOMPARE(w.List1->items(), (QStringList{"a", "b", "d"}));
    w.NextWord();
    QCOMPARE(w.MODUL1.CurrentWord, QStringLiteral("d"));
    w.NextWord();
    QCOMPARE(w.MODUL1.CurrentWord, QStringLiteral("a"));
}

void NextWordTest::entriesPlayedAsTheyAreOrReplaced_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("played");
    QTest::addColumn<QString>("next");
    QTest::addColumn<QString>("rest");
    const QString hundred(100, u'h');
    QTest::newRow("100 characters are played") << hundred << hundred << "h" << QString(99, u'h');
    QTest::newRow("101 characters give the default word") << QString(101, u'h') << "Quendolin" << "Q" << "uendolin";
    QTest::newRow("empty entry gives the default word") << "" << "Quendolin" << "Q" << "uendolin";
    QTest::newRow("spaces stay") << " zwei Wörter " << " zwei Wörter " << " " << "zwei Wörter ";
    QTest::newRow("one letter") << "A" << "A" << "A" << "";
    QTest::newRow("letter outside the BMP stays whole") << "🐈 Katze" << "🐈 Katze" << "🐈" << " Katze";
}

void NextWordTest::entriesPlayedAsTheyAreOrReplaced()
{
    QFETCH(QString, entry);
    QFETCH(QString, played);
    QFETCH(QString, next);
    QFETCH(QString, rest);
    ScriptedPlatform platform;
    fang w(platform);
    w.List1->setItems({entry, QStringLiteral("Reserve")});
    platform.randoms << 0.0f;
    w.NextWord();
    QCOMPARE(w.MODUL1.CurrentWord, played);
    QCOMPARE(w.Bezeichnung11->text(), entry);
    QCOMPARE(w.Bezeichnung3->text(), next);
    QCOMPARE(w.Bezeichnung5->text(), rest);
    QVERIFY(w.Bezeichnung4->text().isEmpty());
    QCOMPARE(w.MODUL1.PlayerX, 9);
    QCOMPARE(w.MODUL1.PlayerY, 6);
}

void NextWordTest::setUpShowsOnlyThePrompt()
{
    ScriptedPlatform platform;
    fang w(platform);
    startRound(w, platform, QStringLiteral("Maus"));
    for (int i = 0; i < 5; ++i)
        w.Zeit1_Timer();
    const auto cells = w.MODUL1.LetterX;
    w.List1->setItems({QStringLiteral("Hund")});
    w.Bild10_Click();
    const int line = 15 * w.Bild5->fontMetrics().height();
    QCOMPARE(w.Bild5->canvas().items(), (QList<PrintedText>{{0, 5 * line, Prompt}}));
    QCOMPARE(w.Bezeichnung6->text(), QStringLiteral("0"));
    // The letter cells keep the last scatter.
    QCOMPARE(w.MODUL1.LetterX, cells);
}

void NextWordTest::emptyStoreWithPanelHidden()
{
    ScriptedPlatform platform;
    fang w(platform);
    startRound(w, platform, QStringLiteral("Maus"));
    w.List1->clear();
    const auto before = std::make_tuple(w.MODUL1.CurrentWord, w.Bezeichnung3->text(), w.Bezeichnung5->text());
    platform.boxes.clear();
    w.NextWord();
    QCOMPARE(platform.texts(), QStringList{LoadFirst});
    QCOMPARE(platform.boxes[0].title, QStringLiteral("Zaplino"));
    QCOMPARE(platform.boxes[0].icon, Platform::Icon::None);
    QVERIFY(!w.Bild11->isHidden());
    QVERIFY(!w.Zeit1->isActive());
    QVERIFY(w.Bezeichnung8->isHidden());
    QVERIFY(w.Bild5->canvas().items().isEmpty());
    QCOMPARE(std::make_tuple(w.MODUL1.CurrentWord, w.Bezeichnung3->text(), w.Bezeichnung5->text()), before);
}

void NextWordTest::emptyStoreWithPanelVisible()
{
    ScriptedPlatform platform;
    fang w(platform);
    w.Bild11->show();
    w.MODUL1.CurrentWord = QStringLiteral("Quendolin");
    w.Bild10_Click();
    QCOMPARE(platform.texts(), (QStringList{LoadFirst, LoadFirst}));
    QVERIFY(!w.Bild11->isHidden());
    QCOMPARE(w.MODUL1.CurrentWord, QStringLiteral("Quendolin"));
    QVERIFY(w.Bezeichnung3->text().isEmpty());
}

void NextWordTest::newWordButtonAbandonsTheRound()
{
    ScriptedPlatform platform;
    fang w(platform);
    startRound(w, platform, QStringLiteral("Maus"));
    QVERIFY(w.Zeit1->isActive());
    w.Bild10_Click();
    QVERIFY(!w.Zeit1->isActive());
    QVERIFY(w.Bezeichnung8->isHidden());
    QCOMPARE(w.MODUL1.CurrentWord, QStringLiteral("Reserve"));
}

void NextWordTest::activationStartsWithTheDefaultWord()
{
    ScriptedPlatform platform;
    fang w(platform);
    w.MODUL1.CurrentWord = QStringLiteral("alt");
    w.Form_Activate();
    QCOMPARE(w.MODUL1.CurrentWord, QStringLiteral("Quendolin"));
    QVERIFY(platform.texts().contains(LoadFirst));
    QVERIFY(!w.Bild11->isHidden());
}

QTEST_MAIN(NextWordTest)
#include "nextword_test.moc"
