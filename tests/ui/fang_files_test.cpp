#include "scriptedplatform.h"
#include "ui/controls.h"
#include "ui/fang.h"
#include "ui/filepanel.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

const QString PleaseLoad = QStringLiteral("Bitte erst eine Datei laden!\r(Doppelklick auf Dateiliste)\r");

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

// A player's double-click: a click, then the second press that makes it double.
bool doubleClickFile(fang &w, const QString &name)
{
    const auto found = w.Datei1->findItems(name, Qt::MatchExactly);
    if (found.size() != 1)
        return false;
    w.Datei1->scrollToItem(found.first());
    const QPoint at = w.Datei1->visualItemRect(found.first()).center();
    QTest::mouseClick(w.Datei1->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(w.Datei1->viewport(), Qt::LeftButton, {}, at);
    return true;
}

bool doubleClickFolder(fang &w, const QString &folder)
{
    for (int row = 0; row < w.Verzeichnis1->count(); ++row) {
        if (w.Verzeichnis1->folder(row) != folder)
            continue;
        w.Verzeichnis1->scrollToItem(w.Verzeichnis1->item(row));
        const QPoint at = w.Verzeichnis1->visualItemRect(w.Verzeichnis1->item(row)).center();
        QTest::mouseClick(w.Verzeichnis1->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(w.Verzeichnis1->viewport(), Qt::LeftButton, {}, at);
        return true;
    }
    return false;
}

} // namespace

class FangFilesTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_startDir;

    // A shown window with the file panel open on the folder.
    void openPanelOn(fang &w, const QString &folder)
    {
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.Bild3_Click();
        QVERIFY(w.Bild11->isVisible());
        QVERIFY(w.Verzeichnis1->setPath(folder));
    }

    QString folder(const QString &name)
    {
        const QString path = m_dir.filePath(name);
        QDir().mkpath(path);
        return path;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_startDir = QDir::currentPath();
    }

    void cleanup()
    {
        QCOMPARE(QDir::currentPath(), m_startDir);
        QVERIFY(QApplication::topLevelWidgets().isEmpty());
    }

    void selectorsStartOnTheCurrentDirectory()
    {
        const QString start = folder("start");
        QVERIFY(QDir::setCurrent(start));
        ScriptedPlatform platform;
        fang w(platform);
        QVERIFY(QDir::setCurrent(m_startDir));

        QCOMPARE(w.Verzeichnis1->path(), start);
        QCOMPARE(w.Datei1->path(), start);
        QCOMPARE(w.Laufwerk1->drive(), w.Laufwerk1->driveOf(start));
        QVERIFY(w.Laufwerk1->drives().contains("/"));
        QCOMPARE(w.Datei1->selectedIndex(), -1);
        QCOMPARE(w.Datei1->pattern(), QStringLiteral("*.TXT"));
    }

    void fileListShowsTxtFilesInAnyCaseByName()
    {
        const QString dir = folder("filter");
        for (const char *name : {"TIERE.TXT", "obst.txt", "Mixed.Txt", "notes.md", "TXT", "alt.TXT.bak"})
            writeFile(dir + '/' + name, "Hund\r\n");
        QDir().mkpath(dir + "/ORDNER.TXT");
        ScriptedPlatform platform;
        fang w(platform);

        QVERIFY(w.Verzeichnis1->setPath(dir));

        QCOMPARE(w.Datei1->path(), dir);
        QStringList shown;
        for (int i = 0; i < w.Datei1->count(); ++i)
            shown.append(w.Datei1->fileName(i));
        QCOMPARE(shown, (QStringList{"Mixed.Txt", "obst.txt", "TIERE.TXT"}));
        QCOMPARE(w.Datei1->selectedIndex(), -1);
    }

    void directoryListShowsPathThenSubfoldersAndOpensOnDoubleClick()
    {
        const QString dir = folder("tree/listen");
        folder("tree/listen/zeta");
        folder("tree/listen/Alpha");
        folder("tree/listen/.versteckt");
        writeFile(folder("tree/listen/Alpha") + "/TIERE.TXT", "Hund\r\n");
        ScriptedPlatform platform;
        fang w(platform);
        openPanelOn(w, dir);

        QStringList expected;
        for (QDir up(dir);; ) {
            expected.prepend(up.absolutePath());
            if (!up.cdUp())
                break;
        }
        expected << dir + "/Alpha" << dir + "/zeta";
        QStringList shown;
        for (int row = 0; row < w.Verzeichnis1->count(); ++row)
            shown.append(w.Verzeichnis1->folder(row));
        QCOMPARE(shown, expected);
        QCOMPARE(w.Verzeichnis1->item(0)->text(), QStringLiteral("/"));

        QVERIFY(doubleClickFolder(w, dir + "/Alpha"));
        QCOMPARE(w.Verzeichnis1->path(), dir + "/Alpha");
        QCOMPARE(w.Datei1->path(), dir + "/Alpha");
        QCOMPARE(w.Datei1->fileName(0), QStringLiteral("TIERE.TXT"));

        // An ancestor opens the same way.
        QVERIFY(doubleClickFolder(w, m_dir.path()));
        QCOMPARE(w.Datei1->path(), m_dir.path());
        QVERIFY(platform.boxes.isEmpty());
    }

    void doubleClickLoadsTheFileAndTakesTheFirstWord()
    {
        const QString dir = folder("load");
        writeFile(dir + "/TIERE.TXT", "B\xe4r\r\nL\xf6we\r\nFu\xdf" "ball\r\n");
        ScriptedPlatform platform;
        fang w(platform);
        openPanelOn(w, dir);

        QVERIFY(doubleClickFile(w, "TIERE.TXT"));

        QCOMPARE(w.Bezeichnung10->text(), dir + "/TIERE.TXT");
        QCOMPARE(w.Bezeichnung9->text(), QStringLiteral("3"));
        QVERIFY(w.Bild11->isHidden());
        const QStringList all{u"Bär"_s, u"Löwe"_s, u"Fußball"_s};
        QVERIFY(all.contains(w.MODUL1.CurrentWord));
        QCOMPARE(w.Bezeichnung11->text(), w.MODUL1.CurrentWord);
        QCOMPARE(w.List1->listCount(), 2);
        QVERIFY(!w.List1->items().contains(w.MODUL1.CurrentWord));
        QCOMPARE(w.Bild5->canvas().items().last().text, QStringLiteral("           Zum Starten hier klicken . . ."));
        QVERIFY(platform.boxes.isEmpty());
    }

    void loadingASecondFileDropsTheRestOfTheFirst()
    {
        const QString dir = folder("second");
        writeFile(dir + "/EINS.TXT", "Hund\r\nKatze\r\nMaus\r\n");
        writeFile(dir + "/ZWEI.TXT", "Apfel\r\nBirne\r\n");
        ScriptedPlatform platform;
        fang w(platform);
        openPanelOn(w, dir);
        QVERIFY(doubleClickFile(w, "EINS.TXT"));
        w.Bild3_Click();

        QVERIFY(doubleClickFile(w, "ZWEI.TXT"));

        QCOMPARE(w.Bezeichnung9->text(), QStringLiteral("2"));
        QStringList left = w.List1->items() << w.MODUL1.CurrentWord;
        left.sort();
        QCOMPARE(left, (QStringList{"Apfel", "Birne"}));
    }

    void aHundredThousandLinesLoadWhole()
    {
        const QString dir = folder("many");
        QByteArray bytes;
        for (int i = 0; i < 100'000; ++i)
            bytes += "Wort" + QByteArray::number(i) + "\r\n";
        writeFile(dir + "/VIELE.TXT", bytes);
        ScriptedPlatform platform;
        fang w(platform);
        openPanelOn(w, dir);

        QVERIFY(doubleClickFile(w, "VIELE.TXT"));

        QCOMPARE(w.Bezeichnung9->text(), QStringLiteral("100000"));
        QCOMPARE(w.List1->listCount(), 99'999);
    }

    void emptyFileAsksForAnotherOnce()
    {
        const QString dir = folder("empty");
        writeFile(dir + "/LEER.TXT", QByteArray());
        ScriptedPlatform platform;
        fang w(platform);
        openPanelOn(w, dir);

        QVERIFY(doubleClickFile(w, "LEER.TXT"));

        QCOMPARE(w.List1->listCount(), 0);
        QCOMPARE(w.Bezeichnung9->text(), QStringLiteral("0"));
        QCOMPARE(w.Bezeichnung10->text(), dir + "/LEER.TXT");
        QVERIFY(w.Bild11->isVisible());
        QCOMPARE(platform.texts(), QStringList{PleaseLoad});
    }

    void nothingSelectedLoadsNothing()
    {
        const QString dir = folder("none");
        writeFile(dir + "/TIERE.TXT", "Hund\r\n");
        ScriptedPlatform platform;
        fang w(platform);
        openPanelOn(w, dir);
        QCOMPARE(w.Datei1->selectedIndex(), -1);

        w.Datei1_DblClick();

        QVERIFY(w.Bild11->isVisible());
        QCOMPARE(w.Bezeichnung9->text(), QStringLiteral("Bezeichnung9"));
        QVERIFY(platform.boxes.isEmpty());
    }

    void closingThePanelTakesANewWord()
    {
        const QString dir = folder("toggle");
        writeFile(dir + "/TIERE.TXT", "Hund\r\nKatze\r\nMaus\r\n");
        ScriptedPlatform platform;
        fang w(platform);
        openPanelOn(w, dir);
        QVERIFY(doubleClickFile(w, "TIERE.TXT"));
        const QString first = w.MODUL1.CurrentWord;

        QTest::mouseClick(w.Bild3, Qt::LeftButton);
        QVERIFY(w.Bild11->isVisible());
        QVERIFY(w.Bild5->canvas().items().isEmpty());
        QTest::mouseClick(w.Bild3, Qt::LeftButton);

        QVERIFY(w.Bild11->isHidden());
        QCOMPARE(w.List1->listCount(), 1);
        QVERIFY(w.MODUL1.CurrentWord != first);
        QVERIFY(!w.List1->items().contains(first));
    }

    void choosingAnotherDrivePointsTheListsAtIt()
    {
        const QString stick = folder("drives-ok/stick");
        writeFile(stick + "/TIERE.TXT", "Hund\r\n");
        const QString home = folder("drives-ok/home");
        ScriptedPlatform platform;
        fang w(platform);
        w.Laufwerk1->setDrives({"/", stick});
        openPanelOn(w, home);

        w.Laufwerk1->setCurrentIndex(w.Laufwerk1->findData(stick));

        QCOMPARE(w.Laufwerk1->drive(), stick);
        QCOMPARE(w.Verzeichnis1->path(), stick);
        QCOMPARE(w.Datei1->path(), stick);
        QCOMPARE(w.Datei1->fileName(0), QStringLiteral("TIERE.TXT"));
        QVERIFY(platform.boxes.isEmpty());
    }

    void restoredDriveNotReadyEitherFallsBackToTheRoot()
    {
        const QString stick = folder("drives-worse/stick");
        const QString inside = folder("drives-worse/stick/listen");
        const QString missing = m_dir.filePath("drives-worse/usb");
        ScriptedPlatform platform;
        fang w(platform);
        w.Laufwerk1->setDrives({"/", stick, missing});
        openPanelOn(w, inside);
        w.Laufwerk1->setCurrentIndex(w.Laufwerk1->findData(stick));
        QCOMPARE(w.Verzeichnis1->path(), inside);
        QVERIFY(QDir(stick).removeRecursively());

        w.Laufwerk1->setCurrentIndex(w.Laufwerk1->findData(missing));

        QCOMPARE(platform.texts(), QStringList{"Laufwerk ist nicht bereit!"});
        QCOMPARE(w.Verzeichnis1->path(), QStringLiteral("/"));
        QCOMPARE(w.Datei1->path(), QStringLiteral("/"));
        QCOMPARE(w.Laufwerk1->drive(), QStringLiteral("/"));
    }
};

QTEST_MAIN(FangFilesTest)
#include "fang_files_test.moc"
