#include "scores/scoreentry.h"

#include <QTest>

class ScoreEntryTest : public QObject
{
    Q_OBJECT

private slots:
    void entryFromCaptions_data();
    void entryFromCaptions();
};

void ScoreEntryTest::entryFromCaptions_data()
{
    QTest::addColumn<QString>("caught");
    QTest::addColumn<QString>("seconds");
    QTest::addColumn<QString>("period");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("entry");

    const QString guest = QStringLiteral("Freund und Gast");
    QTest::newRow("4 letters in 37 seconds at period 10 by the guest")
        << "Hund" << "37" << "10" << guest << "   4   37   10 Freund und Gast";
    QTest::newRow("zero stands alone at the right of its field")
        << "" << "0" << "3" << guest << "   0    0    3 Freund und Gast";
    QTest::newRow("four digits fill their field, one space still between")
        << "Hund" << "9999" << "15" << guest << "   4 9999   15 Freund und Gast";
    QTest::newRow("12345 seconds keep their last four digits")
        << "Hund" << "12345" << "10" << guest << "   4 2345   10 Freund und Gast";
    QTest::newRow("a negative number keeps its minus sign")
        << "Hund" << "-5" << "10" << guest << "   4   -5   10 Freund und Gast";
    QTest::newRow("captions beginning with blanks give their number")
        << "Hund" << "  37" << " 10" << guest << "   4   37   10 Freund und Gast";
    QTest::newRow("a caption beginning with no number counts as zero")
        << "Hund" << "Sek 37" << "" << guest << "   4    0    0 Freund und Gast";
    QTest::newRow("blanks of a phrase count as letters")
        << "gute Nacht" << "37" << "10" << guest << "  10   37   10 Freund und Gast";
    QTest::newRow("a letter beyond the basic plane counts once")
        << QString::fromUtf8("a\U0001D11Eb") << "37" << "10" << guest
        << "   3   37   10 Freund und Gast";
    QTest::newRow("the name is kept as typed, blanks and umlauts included")
        << "Hund" << "37" << "10" << QString::fromUtf8(" Jörg  ")
        << QString::fromUtf8("   4   37   10  Jörg  ");
}

void ScoreEntryTest::entryFromCaptions()
{
    QFETCH(QString, caught);
    QFETCH(QString, seconds);
    QFETCH(QString, period);
    QFETCH(QString, name);
    QFETCH(QString, entry);
    QCOMPARE(scores::makeEntry(caught, seconds, period, name), entry);
}

QTEST_GUILESS_MAIN(ScoreEntryTest)
#include "scoreentry_test.moc"
