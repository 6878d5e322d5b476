#include "scores/highscorelist.h"

#include <QRandomGenerator>
#include <QTest>

#include <algorithm>

class HighScoreListTest : public QObject
{
    Q_OBJECT

private slots:
    void sortsOnInsertion_data();
    void sortsOnInsertion();
    void addReturnsThePlaceOfTheEntry();
    void manyInsertsMatchAStableSort();
};

void HighScoreListTest::sortsOnInsertion_data()
{
    QTest::addColumn<QStringList>("added");
    QTest::addColumn<QStringList>("sorted");

    QTest::newRow("shorter word first")
        << QStringList{"  12    5    3 Anna", "   4   99   15 Zoe"}
        << QStringList{"   4   99   15 Zoe", "  12    5    3 Anna"};
    QTest::newRow("then fewer seconds")
        << QStringList{"   4 1000    3 Anna", "   4  999   15 Zoe", "   4   37   15 Zoe"}
        << QStringList{"   4   37   15 Zoe", "   4  999   15 Zoe", "   4 1000    3 Anna"};
    QTest::newRow("then the smaller period")
        << QStringList{"   4   37   10 Anna", "   4   37    3 Zoe"}
        << QStringList{"   4   37    3 Zoe", "   4   37   10 Anna"};
    QTest::newRow("then the name, letter case ignored")
        << QStringList{"   4   37   10 bert", "   4   37   10 Anna", "   4   37   10 Carl"}
        << QStringList{"   4   37   10 Anna", "   4   37   10 bert", "   4   37   10 Carl"};
    QTest::newRow("names differing only in case keep their arrival order")
        << QStringList{"   4   37   10 anna", "   4   37   10 ANNA", "   4   37   10 Anna"}
        << QStringList{"   4   37   10 anna", "   4   37   10 ANNA", "   4   37   10 Anna"};
    QTest::newRow("space before digits before letters")
        << QStringList{"a", "1", " ", "Z"} << QStringList{" ", "1", "a", "Z"};
    QTest::newRow("umlauts after z, case ignored")
        << QStringList{QString::fromUtf8("Ä"), "z", QString::fromUtf8("ä"), "A"}
        << QStringList{"A", "z", QString::fromUtf8("Ä"), QString::fromUtf8("ä")};
    QTest::newRow("a letter beyond the basic plane after every letter within it")
        << QStringList{QString::fromUtf8("\U0001D11E"), QString::fromUtf8("\uFF21")}
        << QStringList{QString::fromUtf8("\uFF21"), QString::fromUtf8("\U0001D11E")};
    QTest::newRow("a text before the longer texts it begins")
        << QStringList{"Annabell", "anna", "Ann"} << QStringList{"Ann", "anna", "Annabell"};
    QTest::newRow("an empty entry sorts first")
        << QStringList{"   4   37   10 Anna", "", "   0    0    3 "}
        << QStringList{"", "   0    0    3 ", "   4   37   10 Anna"};
}

void HighScoreListTest::sortsOnInsertion()
{
    QFETCH(QStringList, added);
    QFETCH(QStringList, sorted);
    HighScoreList list;
    for (const QString &entry : added)
        list.add(entry);
    QCOMPARE(list.entries(), sorted);
}

void HighScoreListTest::addReturnsThePlaceOfTheEntry()
{
    HighScoreList list;
    QCOMPARE(list.add("   4   37   10 B"), 0);
    QCOMPARE(list.add("   4   37   10 D"), 1);
    QCOMPARE(list.add("   4   37   10 C"), 1);
    QCOMPARE(list.add("   4   37   10 c"), 2);
    QCOMPARE(list.add("   3   37   10 Z"), 0);
    QCOMPARE(list.add("   9   37   10 A"), 5);
    list.clear();
    QCOMPARE(list.count(), 0);
    QCOMPARE(list.add("x"), 0);
}

void HighScoreListTest::manyInsertsMatchAStableSort()
{
    QRandomGenerator random(4711);
    QStringList added;
    for (int i = 0; i < 10000; ++i) {
        // Few distinct keys, so that many entries compare equal and only differ in case.
        QString name = QStringLiteral("anna");
        for (qsizetype k = 0; k < name.size(); ++k) {
            if (random.bounded(2))
                name[k] = name.at(k).toUpper();
        }
        added.append(QStringLiteral("   %1   %2   10 %3")
                         .arg(random.bounded(1, 10))
                         .arg(random.bounded(10, 30))
                         .arg(name));
    }

    HighScoreList list;
    for (const QString &entry : added)
        list.add(entry);

    QStringList expected = added;
    std::stable_sort(expected.begin(), expected.end(), [](const QString &a, const QString &b) {
        return QString::compare(a, b, Qt::CaseInsensitive) < 0;
    });
    QCOMPARE(list.entries(), expected);
}

QTEST_GUILESS_MAIN(HighScoreListTest)
#include "highscorelist_test.moc"
