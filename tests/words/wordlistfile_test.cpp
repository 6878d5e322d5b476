#include "words/wordlistfile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using words::readWordListFile;

class WordListFileTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString writeFile(const QString &name, const QByteArray &bytes)
    {
        const QString path = m_dir.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void lines_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("entries");

        QTest::newRow("CR LF ends a line")
            << QByteArray("Hund\r\nKatze\r\nMaus\r\n") << QStringList{"Hund", "Katze", "Maus"};
        QTest::newRow("missing final line end still gives the last line")
            << QByteArray("Hund\r\nKatze\r\nMaus") << QStringList{"Hund", "Katze", "Maus"};
        QTest::newRow("CR alone ends a line")
            << QByteArray("Hund\rKatze\rMaus\r") << QStringList{"Hund", "Katze", "Maus"};
        QTest::newRow("LF alone ends a line")
            << QByteArray("Hund\nKatze\nMaus\n") << QStringList{"Hund", "Katze", "Maus"};
        QTest::newRow("LF then CR are two line ends")
            << QByteArray("Hund\n\rKatze") << QStringList{"Hund", "", "Katze"};
        QTest::newRow("blank line in the middle is an empty entry")
            << QByteArray("Hund\r\n\r\nMaus\r\n") << QStringList{"Hund", "", "Maus"};
        QTest::newRow("a lone line end is one empty entry")
            << QByteArray("\r\n") << QStringList{""};
        QTest::newRow("spaces are kept")
            << QByteArray(" Hund\r\nKatze \r\nweiße  Maus\r\n")
            << QStringList{" Hund", "Katze ", "weiße  Maus"};
        QTest::newRow("duplicates and file order are kept")
            << QByteArray("Zebra\r\nAffe\r\nZebra\r\n") << QStringList{"Zebra", "Affe", "Zebra"};
        QTest::newRow("empty file gives no entries") << QByteArray() << QStringList{};
    }

    void lines()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, entries);

        const auto file = readWordListFile(writeFile("LINES.TXT", bytes));

        QVERIFY(file.ok);
        QCOMPARE(file.entries, entries);
        QVERIFY(file.error.isEmpty());
    }

    void decoding_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("entries");

        QTest::newRow("UTF-8 without BOM")
            << QByteArray("B\xc3\xa4r\r\nStra\xc3\x9f" "e\r\n") << QStringList{u"Bär"_s, u"Straße"_s};
        QTest::newRow("UTF-8 BOM is dropped")
            << QByteArray("\xef\xbb\xbf" "B\xc3\xa4r\r\n") << QStringList{u"Bär"_s};
        QTest::newRow("BOM alone gives no entries") << QByteArray("\xef\xbb\xbf") << QStringList{};
        QTest::newRow("Windows-1252 umlauts and sharp s")
            << QByteArray("B\xe4r\r\n\xd6l\r\nT\xfcr\r\nFu\xdf\r\n\xc4\xdc")
            << QStringList{u"Bär"_s, u"Öl"_s, u"Tür"_s, u"Fuß"_s, u"ÄÜ"_s};
        QTest::newRow("Windows-1252 euro and quotes")
            << QByteArray("5 \x80\r\n\x84Hallo\x93\r\n")
            << QStringList{u"5 €"_s, u"„Hallo“"_s};
        QTest::newRow("UTF-8 cut off at the end is read as Windows-1252")
            << QByteArray("B\xc3") << QStringList{u"BÃ"_s};
        QTest::newRow("decomposed umlaut becomes one letter")
            << QByteArray("Ba\xcc\x88r\r\n") << QStringList{u"Bär"_s};
    }

    void decoding()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, entries);

        const auto file = readWordListFile(writeFile("DECODE.TXT", bytes));

        QVERIFY(file.ok);
        QCOMPARE(file.entries, entries);
    }

    // Every byte from 0x80 to 0x9F, the five undefined ones included, gives one character.
    void windows1252HighControlRange()
    {
        QByteArray bytes;
        for (int b = 0x80; b <= 0x9F; ++b)
            bytes.append(char(b));
        const QString expected = u"€\u0081‚ƒ„…†‡ˆ‰Š‹Œ\u008DŽ\u008F\u0090‘’“”•–—˜™š›œ\u009DžŸ"_s;

        const auto file = readWordListFile(writeFile("HIGH.TXT", bytes));

        QVERIFY(file.ok);
        QCOMPARE(file.entries, QStringList{expected});
    }

    void faults_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("problem");

        QTest::newRow("missing file") << "FEHLT.TXT" << "nicht gefunden";
        QTest::newRow("a folder") << "ORDNER.TXT" << "Ordner";
        QTest::newRow("a pipe is not read") << "PIPE.TXT" << "keine gewöhnliche Datei";
        QTest::newRow("a path through a file") << "DATEI.TXT/UNTER.TXT" << "nicht gefunden";
        QTest::newRow("larger than 16 MiB") << "RIESIG.TXT" << "zu groß";
        QTest::newRow("no permission to read") << "GESPERRT.TXT" << "nicht gelesen werden";
    }

    void faults()
    {
        QFETCH(QString, name);
        QFETCH(QString, problem);

        QVERIFY(QDir(m_dir.path()).mkpath("ORDNER.TXT"));
        writeFile("DATEI.TXT", "Hund\r\n");
        const QString pipe = m_dir.filePath("PIPE.TXT");
        if (!QFile::exists(pipe))
            QCOMPARE(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
        if (name == "RIESIG.TXT")
            writeFile(name, QByteArray(words::MaxWordListBytes + 1, 'a'));
        if (name == "GESPERRT.TXT") {
            if (geteuid() == 0)
                QSKIP("root may read any file");
            writeFile(name, "Hund\r\n");
            QVERIFY(QFile::setPermissions(m_dir.filePath(name), QFileDevice::WriteOwner));
        }

        const auto file = readWordListFile(m_dir.filePath(name));

        QVERIFY(!file.ok);
        QVERIFY(file.entries.isEmpty());
        QVERIFY2(file.error.contains(problem), qPrintable(file.error));
        QVERIFY(file.error.endsWith(u'\r'));
        QVERIFY(!file.error.contains(u'\n'));
    }

    void exactly16MiBLoads()
    {
        QByteArray bytes(words::MaxWordListBytes, 'a');
        bytes[1000] = '\r';

        const auto file = readWordListFile(writeFile("GROSS.TXT", bytes));

        QVERIFY(file.ok);
        QCOMPARE(file.entries.size(), 2);
    }

    void hundredThousandLinesLoadWhole()
    {
        QByteArray bytes;
        for (int i = 0; i < 100'000; ++i)
            bytes += "Wort " + QByteArray::number(i) + " Gr\xfc\xdf" "e\r\n";
        const QString path = writeFile("VIELE.TXT", bytes);

        // How fast is measured by the benchmarks, not here.
        const auto file = readWordListFile(path);

        QVERIFY(file.ok);
        QCOMPARE(file.entries.size(), 100'000);
        QCOMPARE(file.entries.first(), u"Wort 0 Grüße"_s);
        QCOMPARE(file.entries.last(), u"Wort 99999 Grüße"_s);
    }

    void joinPath_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("path");

        QTest::newRow("a folder gets one separator") << "/home/kim/listen" << "/home/kim/listen/TIERE.TXT";
        QTest::newRow("the root gets no second separator") << "/" << "/TIERE.TXT";
    }

    void joinPath()
    {
        QFETCH(QString, folder);
        QFETCH(QString, path);
        QCOMPARE(words::joinPath(folder, "TIERE.TXT"), path);
    }
};

QTEST_GUILESS_MAIN(WordListFileTest)
#include "wordlistfile_test.moc"
