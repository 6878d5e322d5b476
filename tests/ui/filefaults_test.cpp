// Every file the game touches, broken the ways a player meets it: what the game says,
// and that nothing is lost.
#include "filebytes.h"
#include "roundhelpers.h"
#include "ui/filepanel.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <fcntl.h>
#include <linux/capability.h>
#include <memory>
#include <optional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

const QString ScoreFile = QStringLiteral("BESTFANG.LST");
const QString ScoresMissing = QStringLiteral("Bestenliste fehlt.\r");
const QString ScoresNotSaved = QStringLiteral("Die Bestenliste konnte nicht gespeichert werden.\r");
const QByteArray OldScores(">   3    9    5 Ute\r\n>   4   37   10 J\xf6rg\r\n");

bool runningAsRoot()
{
    return geteuid() == 0;
}

// The kind of thing that stands at a path, without following a symbolic link.
char kindAt(const QString &path)
{
    struct stat st{};
    if (lstat(QFile::encodeName(path).constData(), &st) != 0)
        return '-';
    if (S_ISREG(st.st_mode))
        return 'f';
    if (S_ISDIR(st.st_mode))
        return 'd';
    if (S_ISLNK(st.st_mode))
        return 'l';
    if (S_ISFIFO(st.st_mode))
        return 'p';
    if (S_ISCHR(st.st_mode))
        return 'c';
    return '?';
}

char kindBehind(const QString &path)
{
    struct stat st{};
    if (stat(QFile::encodeName(path).constData(), &st) != 0)
        return '-';
    return S_ISCHR(st.st_mode) ? 'c' : S_ISFIFO(st.st_mode) ? 'p' : S_ISREG(st.st_mode) ? 'f' : '?';
}

// A device that takes no write, as a full disk: root makes its own node, so that no
// fault of the game could ever touch the system's; anyone else links to /dev/full,
// which only root could replace.
bool makeFullDevice(const QString &link)
{
    if (runningAsRoot()) {
        const QString node = link + QStringLiteral(".dev");
        if (mknod(QFile::encodeName(node).constData(), S_IFCHR | 0666, makedev(1, 7)) != 0)
            return false;
        return QFile::link(QFileInfo(node).fileName(), link);
    }
    return QFile::link(QStringLiteral("/dev/full"), link);
}

// A folder that takes no new file, root's games included: root loses its right to
// pass over permissions while this lives.
class ReadOnlyFolder
{
public:
    explicit ReadOnlyFolder(const QString &path) : m_path(path), m_permissions(QFile::permissions(path))
    {
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ExeOwner | QFileDevice::ReadOther
                                        | QFileDevice::ExeOther);
        if (syscall(SYS_capget, &m_header, m_caps) != 0)
            return;
        __user_cap_data_struct fewer[2] = {m_caps[0], m_caps[1]};
        fewer[0].effective &= ~(1u << CAP_DAC_OVERRIDE);
        m_dropped = syscall(SYS_capset, &m_header, fewer) == 0;
    }
    ~ReadOnlyFolder()
    {
        if (m_dropped)
            syscall(SYS_capset, &m_header, m_caps);
        QFile::setPermissions(m_path, m_permissions);
    }
    bool holds() const { return m_dropped || !runningAsRoot(); }

private:
    QString m_path;
    QFileDevice::Permissions m_permissions;
    __user_cap_header_struct m_header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct m_caps[2]{};
    bool m_dropped = false;
};

bool makePipe(const QString &path)
{
    return mkfifo(QFile::encodeName(path).constData(), 0666) == 0;
}

QStringList filesShown(const fang &w)
{
    QStringList names;
    for (int i = 0; i < w.Datei1->count(); ++i)
        names.append(w.Datei1->fileName(i));
    return names;
}

// A click on the file's name, then the double-click that loads it.
bool doubleClickFile(fang &w, const QString &name)
{
    const auto found = w.Datei1->findItems(name, Qt::MatchExactly);
    if (found.size() != 1)
        return false;
    w.Datei1->setCurrentItem(found.first());
    w.Datei1_DblClick();
    return true;
}

bool doubleClickFolder(fang &w, const QString &folder)
{
    for (int row = 0; row < w.Verzeichnis1->count(); ++row) {
        if (w.Verzeichnis1->folder(row) == folder) {
            emit w.Verzeichnis1->itemDoubleClicked(w.Verzeichnis1->item(row));
            return true;
        }
    }
    return false;
}

// What the player has in hand: the words left, the word in play, the files and folders shown.
struct GameState
{
    QStringList store;
    QString word;
    QString caught;
    QString next;
    QString rest;
    QString loaded;
    QString count;
    QString folder;
    QStringList files;

    static GameState of(const fang &w)
    {
        return {w.List1->items(),        w.MODUL1.CurrentWord,     w.Bezeichnung4->text(),
                w.Bezeichnung3->text(),  w.Bezeichnung5->text(),   w.Bezeichnung10->text(),
                w.Bezeichnung9->text(),  w.Verzeichnis1->path(),   filesShown(w)};
    }
    friend bool operator==(const GameState &, const GameState &) = default;
};

char *toString(const GameState &s)
{
    return QTest::toString(QStringList{s.store.join(u'|'), s.word, s.caught, s.next, s.rest, s.loaded, s.count,
                                       s.folder, s.files.join(u'|')}
                               .join(QStringLiteral(" / ")));
}

} // namespace

class FileFaultsTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void brokenWordListKeepsTheListAndTheRound_data();
    void brokenWordListKeepsTheListAndTheRound();
    void unreadableFolderKeepsThePanelWhereItWas_data();
    void unreadableFolderKeepsThePanelWhereItWas();
    void driveNotReadyKeepsThePanelWhereItWas_data();
    void driveNotReadyKeepsThePanelWhereItWas();
    void brokenHighScoreFileLosesNoRound_data();
    void brokenHighScoreFileLosesNoRound();
    void aQuitWaitsForTheSaveOnItsWay_data();
    void aQuitWaitsForTheSaveOnItsWay();

private:
    // A window with TIERE.TXT loaded from the folder "listen", a round started in
    // it, and the file panel open on that folder again.
    void loadListAndOpenPanel(fang &w);

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_lists;
    QString m_startDir;
};

void FileFaultsTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_startDir = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_dir->path()));
    m_lists = m_dir->filePath(QStringLiteral("listen"));
    QVERIFY(QDir().mkpath(m_lists));
    writeBytes(m_lists + QStringLiteral("/TIERE.TXT"), "Hund\r\nKatze\r\nMaus\r\nB\xe4r\r\n");
    writeBytes(m_lists + QStringLiteral("/OBST.TXT"), "Apfel\r\nBirne\r\n");
}

void FileFaultsTest::cleanup()
{
    QVERIFY(QDir::setCurrent(m_startDir));
    m_dir.reset();
    QVERIFY(QApplication::topLevelWidgets().isEmpty());
}

void FileFaultsTest::loadListAndOpenPanel(fang &w)
{
    w.Bild3_Click();
    QVERIFY(w.Verzeichnis1->setPath(m_lists));
    QVERIFY(doubleClickFile(w, QStringLiteral("TIERE.TXT")));
    QVERIFY(w.Bild11->isHidden());
    w.Bild5_Click();
    QVERIFY(w.Zeit1->isActive());
    w.Bild3_Click();
    QVERIFY(!w.Bild11->isHidden());
}

void FileFaultsTest::brokenWordListKeepsTheListAndTheRound_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("message");
    QTest::newRow("list deleted after it was listed") << "deleted" << "Die Datei wurde nicht gefunden:\rOBST.TXT\r";
    QTest::newRow("list now a link to nowhere") << "dangling" << "Die Datei wurde nicht gefunden:\rOBST.TXT\r";
    QTest::newRow("list now a link to itself") << "loop" << "Die Datei wurde nicht gefunden:\rOBST.TXT\r";
    QTest::newRow("list now a folder") << "folder" << "Das ist ein Ordner, keine Datei:\rOBST.TXT\r";
    QTest::newRow("list now a named pipe that nobody writes")
        << "pipe" << "Das ist keine gewöhnliche Datei:\rOBST.TXT\r";
    QTest::newRow("list on a folder removed with it") << "folder gone" << "Die Datei wurde nicht gefunden:\rOBST.TXT\r";
    QTest::newRow("list without read permission") << "unreadable" << "Die Datei darf nicht gelesen werden:\rOBST.TXT\r";
    QTest::newRow("list grown beyond 16 MiB") << "huge" << "Die Datei ist zu groß für eine Textliste:\rOBST.TXT\r";
}

void FileFaultsTest::brokenWordListKeepsTheListAndTheRound()
{
    QFETCH(QString, fault);
    QFETCH(QString, message);
    if (fault == QLatin1String("unreadable") && runningAsRoot())
        QSKIP("root reads every file");
    ScriptedPlatform platform;
    fang w(platform);
    loadListAndOpenPanel(w);
    const GameState before = GameState::of(w);
    QCOMPARE(before.files, (QStringList{"OBST.TXT", "TIERE.TXT"}));

    const QString list = m_lists + QStringLiteral("/OBST.TXT");
    if (fault != QLatin1String("unreadable"))
        QVERIFY(QFile::remove(list));
    if (fault == QLatin1String("dangling"))
        QVERIFY(QFile::link(m_lists + QStringLiteral("/WEG.TXT"), list));
    if (fault == QLatin1String("loop"))
        QVERIFY(QFile::link(list, list));
    if (fault == QLatin1String("folder"))
        QVERIFY(QDir().mkdir(list));
    if (fault == QLatin1String("pipe"))
        QVERIFY(makePipe(list));
    if (fault == QLatin1String("folder gone"))
        QVERIFY(QDir(m_lists).removeRecursively());
    if (fault == QLatin1String("unreadable"))
        QVERIFY(QFile::setPermissions(list, QFileDevice::WriteOwner));
    if (fault == QLatin1String("huge"))
        writeBytes(list, QByteArray(16 * 1024 * 1024 + 1, 'a'));

    QVERIFY(doubleClickFile(w, QStringLiteral("OBST.TXT")));

    QCOMPARE(platform.boxes.size(), 1);
    QCOMPARE(platform.boxes[0].text, message);
    QCOMPARE(platform.boxes[0].title, QStringLiteral("Textliste"));
    QCOMPARE(platform.boxes[0].buttons, Platform::Buttons::Ok);
    QCOMPARE(platform.boxes[0].icon, Platform::Icon::None);
    QCOMPARE(GameState::of(w), before);
    QVERIFY(!w.Bild11->isHidden());
    QVERIFY(!w.Zeit1->isActive());

    // The player closes the panel and plays on with what was loaded before.
    w.Bild3_Click();
    QVERIFY(before.store.contains(w.MODUL1.CurrentWord));
    QCOMPARE(w.List1->listCount(), before.store.size() - 1);
}

void FileFaultsTest::unreadableFolderKeepsThePanelWhereItWas_data()
{
    QTest::addColumn<QString>("fault");
    QTest::newRow("folder deleted after it was listed") << "deleted";
    QTest::newRow("folder now a file") << "file";
    QTest::newRow("folder now a link to nowhere") << "dangling";
    QTest::newRow("folder without read permission") << "unreadable";
}

void FileFaultsTest::unreadableFolderKeepsThePanelWhereItWas()
{
    QFETCH(QString, fault);
    if (fault == QLatin1String("unreadable") && runningAsRoot())
        QSKIP("root reads every folder");
    const QString sub = m_lists + QStringLiteral("/mehr");
    QVERIFY(QDir().mkpath(sub));
    ScriptedPlatform platform;
    fang w(platform);
    loadListAndOpenPanel(w);
    const GameState before = GameState::of(w);

    if (fault != QLatin1String("unreadable"))
        QVERIFY(QDir(sub).removeRecursively());
    if (fault == QLatin1String("file"))
        writeBytes(sub, "kein Ordner");
    if (fault == QLatin1String("dangling"))
        QVERIFY(QFile::link(m_lists + QStringLiteral("/weg"), sub));
    if (fault == QLatin1String("unreadable"))
        QVERIFY(QFile::setPermissions(sub, QFileDevice::WriteOwner));

    QVERIFY(doubleClickFolder(w, sub));

    QCOMPARE(platform.texts(), QStringList{"Der Ordner lässt sich nicht öffnen:\rmehr\r"});
    QCOMPARE(platform.boxes[0].title, QStringLiteral("Laufwerkfehler"));
    QCOMPARE(GameState::of(w), before);
    QCOMPARE(w.Verzeichnis1->folder(w.Verzeichnis1->currentRow()), m_lists);
    // From code as well: a path that is no folder leaves the lists alone.
    QVERIFY(!w.Verzeichnis1->setPath(m_lists + QStringLiteral("/TIERE.TXT")));
    QCOMPARE(GameState::of(w), before);
    if (fault == QLatin1String("unreadable"))
        QFile::setPermissions(sub, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    // The lists go on working.
    QVERIFY(doubleClickFile(w, QStringLiteral("OBST.TXT")));
    QCOMPARE(w.Bezeichnung9->text(), QStringLiteral("2"));
}

void FileFaultsTest::driveNotReadyKeepsThePanelWhereItWas_data()
{
    QTest::addColumn<QString>("fault");
    QTest::newRow("stick pulled out") << "missing";
    QTest::newRow("mount point left as an empty link") << "dangling";
    QTest::newRow("mount point now a file") << "file";
}

void FileFaultsTest::driveNotReadyKeepsThePanelWhereItWas()
{
    QFETCH(QString, fault);
    const QString stick = m_dir->filePath(QStringLiteral("stick"));
    ScriptedPlatform platform;
    fang w(platform);
    w.Laufwerk1->setDrives({QStringLiteral("/"), stick});
    loadListAndOpenPanel(w);
    const GameState before = GameState::of(w);
    const QString drive = w.Laufwerk1->drive();
    if (fault == QLatin1String("dangling"))
        QVERIFY(QFile::link(m_dir->filePath(QStringLiteral("weg")), stick));
    if (fault == QLatin1String("file"))
        writeBytes(stick, "kein Laufwerk");

    w.Laufwerk1->setCurrentIndex(w.Laufwerk1->findData(stick));

    QCOMPARE(platform.texts(), QStringList{"Laufwerk ist nicht bereit!"});
    QCOMPARE(platform.boxes[0].title, QStringLiteral("Laufwerkfehler"));
    QCOMPARE(platform.boxes[0].buttons, Platform::Buttons::Ok);
    QCOMPARE(platform.boxes[0].icon, Platform::Icon::None);
    QCOMPARE(w.Laufwerk1->drive(), drive);
    QCOMPARE(w.Laufwerk1->currentData().toString(), drive);
    QCOMPARE(GameState::of(w), before);
    QVERIFY(!w.Bild11->isHidden());

    // Once the stick is in, the drive can be chosen.
    QFile::remove(stick);
    QVERIFY(QDir().mkpath(stick));
    writeBytes(stick + QStringLiteral("/STICK.TXT"), "Zebra\r\n");
    w.Laufwerk1->setCurrentIndex(w.Laufwerk1->findData(stick));
    QCOMPARE(filesShown(w), QStringList{"STICK.TXT"});
    QCOMPARE(platform.boxes.size(), 1);
}

void FileFaultsTest::brokenHighScoreFileLosesNoRound_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QStringList>("loadMessages");
    QTest::addColumn<bool>("saved");
    QTest::newRow("no file yet") << "missing" << QStringList{ScoresMissing} << true;
    QTest::newRow("a folder of that name") << "folder" << QStringList{ScoresMissing} << false;
    QTest::newRow("a named pipe that nobody writes") << "pipe" << QStringList{ScoresMissing} << false;
    QTest::newRow("a link to a device that fails every write") << "device" << QStringList{ScoresMissing} << false;
    QTest::newRow("a link to nowhere") << "dangling" << QStringList{ScoresMissing} << false;
    QTest::newRow("a disk that is full") << "full disk" << QStringList{} << false;
    QTest::newRow("a folder that is read-only") << "read-only" << QStringList{} << false;
    QTest::newRow("the game's folder gone with its stick") << "folder gone" << QStringList{ScoresMissing} << false;
}

// The list is read when the window becomes active and written after a won round.
void FileFaultsTest::brokenHighScoreFileLosesNoRound()
{
    QFETCH(QString, fault);
    QFETCH(QStringList, loadMessages);
    QFETCH(bool, saved);
    const QString path = m_dir->filePath(ScoreFile);
    if (fault == QLatin1String("folder"))
        QVERIFY(QDir().mkdir(path));
    if (fault == QLatin1String("pipe"))
        QVERIFY(makePipe(path));
    if (fault == QLatin1String("device") && !makeFullDevice(path))
        QSKIP("no device node can be made here");
    if (fault == QLatin1String("dangling"))
        QVERIFY(QFile::link(m_dir->filePath(QStringLiteral("fehlt/") + ScoreFile), path));
    const bool oldFile = fault == QLatin1String("full disk") || fault == QLatin1String("read-only");
    if (oldFile)
        writeBytes(path, OldScores);
    const char kind = kindAt(path);
    const char target = kindBehind(path);
    const auto folderEntries = [&] {
        return QDir(m_dir->path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    };
    QStringList entries = folderEntries();

    ScriptedPlatform platform;
    fang w(platform);
    w.List1->setItems({QStringLiteral("Igel"), QStringLiteral("Hase")});
    w.Form_Activate();
    QVERIFY(scoresSettled(w));
    QCOMPARE(platform.texts(), loadMessages);
    const QStringList listed = w.Liste1->items();
    QCOMPARE(listed.size(), oldFile ? 2 : 0);
    if (fault == QLatin1String("folder gone"))
        QVERIFY(QDir(m_dir->path()).removeRecursively());

    std::optional<ReadOnlyFolder> readOnly;
    if (fault == QLatin1String("read-only"))
        readOnly.emplace(m_dir->path());
    if (readOnly && !readOnly->holds())
        QSKIP("root keeps its right to write here");
    // A file size limit fails the write as a full disk does, even for root.
    rlimit limit{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &limit), 0);
    const rlimit unlimited = limit;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    if (fault == QLatin1String("full disk")) {
        limit.rlim_cur = 16;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &limit), 0);
    }
    w.Bild5_Click();
    playToTheEnd(w);
    QVERIFY(scoresSettled(w));
    readOnly.reset();
    setrlimit(RLIMIT_FSIZE, &unlimited);
    std::signal(SIGXFSZ, oldHandler);

    const QStringList shown = platform.texts().mid(loadMessages.size());
    QCOMPARE(shown.value(0), QStringLiteral("Du hast es in 0 Sekunden geschafft.\r"));
    QCOMPARE(shown.mid(1), saved ? QStringList{} : QStringList{ScoresNotSaved});
    if (!saved)
        QCOMPARE(platform.boxes.last().title, QStringLiteral("Bestenliste"));

    // The round stays in the list on screen whatever became of the file.
    const QString entry = QStringLiteral("   4    0   10 Freund und Gast");
    QCOMPARE(w.Liste1->listCount(), listed.size() + 1);
    QVERIFY(w.Liste1->items().contains(entry));

    if (fault == QLatin1String("folder gone")) {
        QVERIFY(!QFileInfo::exists(m_dir->path()));
        QVERIFY(QDir().mkpath(m_dir->path()));
        return;
    }
    // What stood there still stands there, and nothing is left behind next to it.
    if (fault == QLatin1String("missing")) {
        QCOMPARE(readBytes(path), ">" + entry.toLatin1() + "\r\n");
        entries.append(ScoreFile);
        entries.sort();
    } else {
        QCOMPARE(kindAt(path), kind);
        QCOMPARE(kindBehind(path), target);
    }
    QCOMPARE(folderEntries(), entries);
    if (!oldFile)
        return;
    QCOMPARE(readBytes(path), OldScores);
    // Once the fault is gone, the next save brings the round the failed one could not.
    w.Bild9_Click();
    w.Bild5_Click();
    playToTheEnd(w);
    QVERIFY(scoresSettled(w));
    QCOMPARE(readBytes(path), QByteArray(">   3    9    5 Ute\r\n>   4    0   10 Freund und Gast\r\n"
                                         ">   4    0   10 Freund und Gast\r\n>   4   37   10 J\xf6rg\r\n"));
    QCOMPARE(folderEntries(), entries);
}

void FileFaultsTest::aQuitWaitsForTheSaveOnItsWay_data()
{
    QTest::addColumn<bool>("answers");
    QTest::newRow("the share answers again: the game ends once the round is saved") << true;
    QTest::newRow("the share stays silent: the game ends after the silence bound, with the box") << false;
}

// While a save hangs on a share the game goes on: the panel closes, the next word is set
// up. A quit waits for the save, says why, and takes no command meanwhile.
void FileFaultsTest::aQuitWaitsForTheSaveOnItsWay()
{
    QFETCH(bool, answers);
    writeBytes(ScoreFile, OldScores);
    // A share that stops answering, made honestly: the lock's owner file is a pipe that
    // nobody writes, so the save that opens it blocks in the kernel until someone does.
    const QString lock = ScoreFile + QStringLiteral(".lock");
    const QString owner = lock + QStringLiteral("/owner");
    const auto answer = [&] {
        QFile::remove(owner);
        QDir().rmdir(lock);
        const int fd = open("pipe", O_WRONLY | O_NONBLOCK);
        if (fd >= 0)
            close(fd);
    };
    ScriptedPlatform platform;
    fang w(platform);
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    w.List1->setItems({QStringLiteral("Igel"), QStringLiteral("Hase"), QStringLiteral("Maus")});
    w.Form_Activate();
    QVERIFY(scoresSettled(w));
    QVERIFY(QDir().mkdir(lock));
    QVERIFY(makePipe(QStringLiteral("pipe")));
    QCOMPARE(link("pipe", QFile::encodeName(owner).constData()), 0);
    w.Bild5_Click();
    playToTheEnd(w);
    QElapsedTimer silent;
    silent.start();
    QTest::mouseClick(w.Bezeichnung20, Qt::LeftButton);
    QVERIFY(w.Bild1->x() >= w.width());
    QCOMPARE(w.List1->listCount(), 1);
    QVERIFY(w.scoreStore().saving());

    platform.answers << Platform::Answer::Yes;
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QCOMPARE(platform.quits, 0);
    QCOMPARE(w.windowTitle(), QStringLiteral("Zaplino - Bestenliste wird gespeichert ..."));
    w.close();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QTest::mouseClick(w.Bild10, Qt::LeftButton);
    QCOMPARE(platform.texts(), (QStringList{"Du hast es in 0 Sekunden geschafft.\r", "Dieses Spiel jetzt beenden?\r"}));
    QCOMPARE(w.List1->listCount(), 1);

    const QByteArray withTheRound(">   3    9    5 Ute\r\n>   4    0   10 Freund und Gast\r\n>   4   37   10 J\xf6rg\r\n");
    if (answers) {
        QTest::qWait(200);
        QCOMPARE(platform.quits, 0);
        answer();
        QTRY_COMPARE(platform.quits, 1);
        QCOMPARE(platform.boxes.size(), 2);
        QCOMPARE(readBytes(ScoreFile), withTheRound);
        return;
    }
    platform.whileBoxOpen = [&](const ScriptedPlatform::Box &) {
        QCOMPARE(platform.quits, 0);
        QVERIFY(silent.elapsed() >= 9500);
    };
    QTRY_COMPARE_WITH_TIMEOUT(platform.quits, 1, 30000);
    QCOMPARE(platform.texts().mid(2), QStringList{ScoresNotSaved});
    // The save that hung still counts once it ends.
    answer();
    QTRY_COMPARE(readBytes(ScoreFile), withTheRound);
}

QTEST_MAIN(FileFaultsTest)
#include "filefaults_test.moc"
