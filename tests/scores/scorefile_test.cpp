#include "filebytes.h"
#include "scores/highscorelist.h"
#include "scores/scorefile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

namespace {

// The way the game handles the file: load, insert sorted, save.
QStringList sortedEntries(const QStringList &entries)
{
    HighScoreList list;
    for (const QString &entry : entries)
        list.add(entry);
    return list.entries();
}

} // namespace

class ScoreFileTest : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void loadsLines_data();
    void loadsLines();
    void loadFailsWithoutAFile();

    void savesLines_data();
    void savesLines();
    void savesOnlyTheFirstHundred();

    void roundTripsByteForByte_data();
    void roundTripsByteForByte();
    void keepsANameOutsideWindows1252();

    void saveIntoAFolderFails();
    void fullDiskKeepsTheOldFile();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;
};

void ScoreFileTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_path = m_dir->filePath(scorefile::FileName);
}

void ScoreFileTest::loadsLines_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("entries");

    QTest::newRow("CR LF ends a line")
        << QByteArray(">   4   37   10 Freund und Gast\r\n>   5   12    3 Anna\r\n")
        << QStringList{"   4   37   10 Freund und Gast", "   5   12    3 Anna"};
    QTest::newRow("a last line without line end is read")
        << QByteArray(">a\r\n>b") << QStringList{"a", "b"};
    QTest::newRow("a line without > still loses its first character")
        << QByteArray("xabc\r\n>def\r\n") << QStringList{"abc", "def"};
    QTest::newRow("an empty line gives an empty entry")
        << QByteArray("\r\n>a\r\n\r\n") << QStringList{"", "a", ""};
    QTest::newRow("LF alone ends a line") << QByteArray(">a\n>b\n") << QStringList{"a", "b"};
    QTest::newRow("CR alone ends a line") << QByteArray(">a\r>b") << QStringList{"a", "b"};
    QTest::newRow("an empty file gives no entries") << QByteArray() << QStringList{};
    QTest::newRow("lines come in file order, unsorted")
        << QByteArray(">b\r\n>a\r\n") << QStringList{"b", "a"};
    QTest::newRow("Windows-1252 umlauts")
        << QByteArray(">J\xf6rg M\xfcller \x80\r\n")
        << QStringList{QString::fromUtf8("Jörg Müller €")};
    QTest::newRow("UTF-8 umlauts")
        << QByteArray(">J\xc3\xb6rg\r\n") << QStringList{QString::fromUtf8("Jörg")};
    QTest::newRow("one Windows-1252 byte makes the whole file Windows-1252")
        << QByteArray(">J\xc3\xb6rg\r\n>\xe4\r\n")
        << QStringList{QString::fromUtf8("JÃ¶rg"), QString::fromUtf8("ä")};
    QTest::newRow("a UTF-8 sequence cut off at the end is Windows-1252")
        << QByteArray(">a\xc3") << QStringList{QString::fromUtf8("aÃ")};
    QTest::newRow("a line losing a UTF-8 umlaut loses all of it")
        << QByteArray("\xc3\xa4" "bc\r\n") << QStringList{"bc"};
}

void ScoreFileTest::loadsLines()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, entries);
    writeBytes(m_path, bytes);
    const scorefile::Loaded loaded = scorefile::load(m_path);
    QVERIFY(!loaded.failed);
    QCOMPARE(loaded.entries, entries);
}

void ScoreFileTest::loadFailsWithoutAFile()
{
    QVERIFY(scorefile::load(m_path).failed);
    QVERIFY(scorefile::load(m_path).entries.isEmpty());
    QVERIFY(QDir(m_dir->path()).mkdir(scorefile::FileName));
    QVERIFY(scorefile::load(m_path).failed);
}

void ScoreFileTest::savesLines_data()
{
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("an entry becomes > entry CR LF")
        << QStringList{"   4   37   10 Freund und Gast", "   5   12    3 Anna"}
        << QByteArray(">   4   37   10 Freund und Gast\r\n>   5   12    3 Anna\r\n");
    QTest::newRow("an empty list gives an empty file") << QStringList{} << QByteArray();
    QTest::newRow("an empty entry is saved as a lone >")
        << QStringList{"", "a"} << QByteArray(">\r\n>a\r\n");
    QTest::newRow("umlauts are written in Windows-1252")
        << QStringList{QString::fromUtf8("Jörg €")} << QByteArray(">J\xf6rg \x80\r\n");
    QTest::newRow("one name outside Windows-1252 makes the whole file UTF-8")
        << QStringList{QString::fromUtf8("Jörg"), QString::fromUtf8("Łukasz")}
        << QByteArray(">J\xc3\xb6rg\r\n>\xc5\x81ukasz\r\n");
    QTest::newRow("Windows-1252 that would read as UTF-8 is written as UTF-8")
        << QStringList{QString::fromUtf8("JÃ¶rg")} << QByteArray(">J\xc3\x83\xc2\xb6rg\r\n");
    QTest::newRow("each line break in a name is written as a space")
        << QStringList{"a\r\nb", "c\nd", "e\rf", "g\r\n\r\nh", QString::fromUtf8("i\u2028j\u0085k")}
        << QByteArray(">a b\r\n>c d\r\n>e f\r\n>g  h\r\n>i j k\r\n");
}

void ScoreFileTest::savesLines()
{
    QFETCH(QStringList, entries);
    QFETCH(QByteArray, bytes);
    QVERIFY(scorefile::save(m_path, entries));
    QCOMPARE(readBytes(m_path), bytes);
}

void ScoreFileTest::savesOnlyTheFirstHundred()
{
    QStringList added;
    for (int i = 150; i > 0; --i)
        added.append(QStringLiteral("   4 %1   10 Anna").arg(i, 4));
    const QStringList sorted = sortedEntries(added);
    QVERIFY(scorefile::save(m_path, sorted));

    const scorefile::Loaded loaded = scorefile::load(m_path);
    QVERIFY(!loaded.failed);
    QCOMPARE(loaded.entries, sorted.first(100));
    QCOMPARE(loaded.entries.last(), QStringLiteral("   4  100   10 Anna"));
}

void ScoreFileTest::roundTripsByteForByte_data()
{
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("Windows-1252 umlauts")
        << QByteArray(">   4   37   10 J\xf6rg M\xfcller\r\n>   5   12    3 \xc4nne \xdf\r\n");
    QByteArray everyHighByte(">");
    for (int b = 0x80; b <= 0xff; ++b)
        everyHighByte.append(char(b));
    QTest::newRow("every Windows-1252 byte, unassigned ones included")
        << everyHighByte.append("\r\n");
    QTest::newRow("UTF-8 names")
        << QByteArray(">   4   37   10 \xc5\x81ukasz\r\n>   4   37   10 \xe2\x82\xac\r\n");
    QTest::newRow("an empty entry") << QByteArray(">\r\n>   4   37   10 Anna\r\n");
}

void ScoreFileTest::roundTripsByteForByte()
{
    QFETCH(QByteArray, bytes);
    writeBytes(m_path, bytes);
    const scorefile::Loaded loaded = scorefile::load(m_path);
    QVERIFY(!loaded.failed);
    QVERIFY(scorefile::save(m_path, sortedEntries(loaded.entries)));
    QCOMPARE(readBytes(m_path), bytes);
}

void ScoreFileTest::keepsANameOutsideWindows1252()
{
    const QStringList entries{QString::fromUtf8("   4   37   10 Jörg"),
                              QString::fromUtf8("   4   37   10 Łukasz \U0001F600")};
    QVERIFY(scorefile::save(m_path, entries));
    const scorefile::Loaded loaded = scorefile::load(m_path);
    QVERIFY(!loaded.failed);
    QCOMPARE(loaded.entries, entries);
}

void ScoreFileTest::saveIntoAFolderFails()
{
    QVERIFY(QDir(m_dir->path()).mkpath(scorefile::FileName + QStringLiteral("/alt")));
    QVERIFY(!scorefile::save(m_path, {"   4   37   10 Anna"}));
    QVERIFY(!scorefile::save(m_path, {}));
    QCOMPARE(QDir(m_path).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList{"alt"});

    const QString missingFolder = m_dir->filePath(QStringLiteral("fehlt/") + scorefile::FileName);
    QVERIFY(!scorefile::save(missingFolder, {"   4   37   10 Anna"}));
    QVERIFY(!QFileInfo::exists(missingFolder));
}

void ScoreFileTest::fullDiskKeepsTheOldFile()
{
    const QByteArray old(">   4   37   10 Freund und Gast\r\n>   5   12    3 Anna\r\n");
    writeBytes(m_path, old);

    // A file size limit fails the write as a full disk does, even for root.
    rlimit saved{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 16;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool saved1 = scorefile::save(m_path, {"   4   37   10 Freund und Gast"});
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    QVERIFY(!saved1);
    QCOMPARE(readBytes(m_path), old);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden),
             QStringList{scorefile::FileName});
}

QTEST_GUILESS_MAIN(ScoreFileTest)
#include "scorefile_test.moc"
