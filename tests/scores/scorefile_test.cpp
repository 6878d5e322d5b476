#include "filebytes.h"
#include "scores/highscorelist.h"
#include "scores/listfolder.h"
#include "scores/folderlock.h"
#include "scores/scorefile.h"
#include "scores/scorestore.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <atomic>
#include <csignal>
#include <thread>
#include <fcntl.h>
#include <grp.h>
#include <linux/capability.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// The way the game handles the file: load, insert sorted, save.
QStringList sortedEntries(const QStringList &entries)
{
    HighScoreList list;
    for (const QString &entry : entries)
        list.add(entry);
    return list.entries();
}

// A round of a word of four letters, told apart by its seconds.
QString round(int seconds)
{
    return QStringLiteral("   4 %1   10 Kim").arg(seconds, 4);
}

QByteArray lines(int first, int last)
{
    QByteArray bytes;
    for (int seconds = first; seconds <= last; ++seconds)
        bytes += ">" + round(seconds).toLatin1() + "\r\n";
    return bytes;
}

QByteArray firstLine(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readLine().trimmed() : QByteArray();
}

// A lock as a game of the given computer leaves it.
QByteArray lockToken(const QByteArray &host, const QByteArray &machine, const QByteArray &boot, qint64 pid)
{
    const QByteArray pidns = QFile::symLinkTarget(QStringLiteral("/proc/self/ns/pid")).toUtf8();
    return "host=" + host + "\nmachine=" + machine + "\nboot=" + boot + "\npidns="
           + pidns.mid(pidns.lastIndexOf('/') + 1) + "\npid=" + QByteArray::number(pid)
           + "\nrandom=0123456789abcdef\n";
}

bool setAge(const QString &path, qint64 ageSeconds)
{
    timespec written[2];
    clock_gettime(CLOCK_REALTIME, &written[0]);
    written[0].tv_sec -= ageSeconds;
    written[1] = written[0];
    return utimensat(AT_FDCWD, QFile::encodeName(path).constData(), written, AT_SYMLINK_NOFOLLOW) == 0;
}

bool writeLock(const QString &lockPath, const QByteArray &token, qint64 ageSeconds)
{
    if (!QDir().mkdir(lockPath))
        return false;
    if (!token.isNull())
        writeBytes(lockPath + QStringLiteral("/owner"), token);
    return setAge(lockPath, ageSeconds);
}

// Runs the work in a process of its own as that user, umask 022 as on Debian; its success.
template<typename Work>
bool runAs(uid_t uid, gid_t gid, Work work)
{
    const pid_t child = fork();
    if (child == 0) {
        umask(022);
        if (uid != getuid() && (setgroups(0, nullptr) != 0 || setgid(gid) != 0 || setuid(uid) != 0))
            _exit(2);
        _exit(work() ? 0 : 1);
    }
    int status = -1;
    return child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// A game killed while it held the lock, as the given user where that is not the test's own.
bool killedWithTheLock(const QString &lockPath, uid_t uid = getuid(), gid_t gid = getgid())
{
    return runAs(uid, gid, [&] {
        FolderLock lock(lockPath, 5000);
        if (lock.tryLock(0))
            _exit(0); // without letting go, as a killed game
        return false;
    });
}

QStringList entriesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

pid_t endedProcess()
{
    const pid_t child = fork();
    if (child == 0)
        _exit(0);
    waitpid(child, nullptr, 0);
    return child;
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

    void addedRoundsJoinTheFileAsItIsNow_data();
    void addedRoundsJoinTheFileAsItIsNow();
    void aListThatCannotBeReadIsNotReplaced();
    void lockOfAnotherGame_data();
    void lockOfAnotherGame();
    void aGameWhoseLockWasTakenOverLeavesListAndLockAlone();
    void sharedFolder_data();
    void sharedFolder();
    void oldLeftoversAreRemoved();
    void twoProcessesSavingAtOnceLoseNoRound();
    void aHangingSaveFailsInTimeAndCountsWhenItEnds();
    void aSaveWaitingForALiveLockGoesOnPastTheSilence();
    void aLoadShowsTheGamesRoundsNotInTheFile();

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

void ScoreFileTest::addedRoundsJoinTheFileAsItIsNow_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QStringList>("rounds");
    QTest::addColumn<QByteArray>("after");

    QTest::newRow("rounds take their sorted places")
        << QByteArray(">   3    9    5 Ute\r\n>   5   12    3 Anna\r\n")
        << QStringList{QString::fromUtf8("   4   37   10 Jörg"), "   3    8    5 Kim"}
        << QByteArray(">   3    8    5 Kim\r\n>   3    9    5 Ute\r\n>   4   37   10 J\xf6rg\r\n"
                      ">   5   12    3 Anna\r\n");
    QTest::newRow("no file yet gives the rounds alone")
        << QByteArray("(no file)") << QStringList{round(9), round(8)} << lines(8, 9);
    QTest::newRow("a file cleared by hand stays cleared but for the rounds")
        << QByteArray() << QStringList{round(9)} << lines(9, 9);
    QTest::newRow("equal entries keep the file's order, rounds after them")
        << QByteArray(">   4   37   10 anna\r\n>   4   37   10 ANNA\r\n") << QStringList{"   4   37   10 Anna"}
        << QByteArray(">   4   37   10 anna\r\n>   4   37   10 ANNA\r\n>   4   37   10 Anna\r\n");
    QTest::newRow("a file edited out of order is sorted")
        << QByteArray("xb\r\n>a") << QStringList{"c"} << QByteArray(">a\r\n>b\r\n>c\r\n");
    QTest::newRow("only the best 100 stay") << lines(1, 100) << QStringList{round(0), round(101)} << lines(0, 99);
}

void ScoreFileTest::addedRoundsJoinTheFileAsItIsNow()
{
    QFETCH(QByteArray, before);
    QFETCH(QStringList, rounds);
    QFETCH(QByteArray, after);
    if (before != "(no file)")
        writeBytes(m_path, before);
    QVERIFY(scorefile::addRounds(m_path, rounds));
    QCOMPARE(readBytes(m_path), after);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{scorefile::FileName});
}

// What could be read of it, if anything, would take the place of the whole list.
void ScoreFileTest::aListThatCannotBeReadIsNotReplaced()
{
    const QByteArray old = lines(7, 8);
    writeBytes(m_path, old);
    QVERIFY(QFile::setPermissions(m_path, QFileDevice::WriteOwner));
    // Root loses its right to read past permissions while it saves.
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct caps[2]{};
    QCOMPARE(syscall(SYS_capget, &header, caps), 0);
    __user_cap_data_struct fewer[2] = {caps[0], caps[1]};
    fewer[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
    QCOMPARE(syscall(SYS_capset, &header, fewer), 0);
    const bool saved = scorefile::addRounds(m_path, {round(5)});
    syscall(SYS_capset, &header, caps);

    QVERIFY(!saved);
    QVERIFY(QFile::setPermissions(m_path, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    QCOMPARE(readBytes(m_path), old);
}

void ScoreFileTest::lockOfAnotherGame_data()
{
    QTest::addColumn<QString>("owner");
    QTest::addColumn<qint64>("ageSeconds");
    QTest::addColumn<bool>("saved");

    // A lock on this computer is judged by its game; one from another computer by its
    // age, against the game's own 5 s.
    QTest::newRow("a game killed while it held the lock") << "killed game" << qint64(0) << true;
    QTest::newRow("a lock from before this computer restarted") << "before restart" << qint64(0) << true;
    QTest::newRow("a running game's lock is waited for") << "running game" << qint64(0) << false;
    QTest::newRow("another computer's fresh lock is waited for") << "other computer" << qint64(0) << false;
    QTest::newRow("a computer cloned from this one's image is another computer")
        << "cloned computer" << qint64(0) << false;
    QTest::newRow("another computer's lock of 4 s is waited for") << "other computer" << qint64(4) << false;
    QTest::newRow("another computer's lock of 6 s counts as left behind")
        << "other computer" << qint64(6) << true;
    QTest::newRow("a lock folder left before its owner was written, 6 s ago")
        << "no owner" << qint64(6) << true;
    QTest::newRow("a plain file at the lock's name, 6 s old") << "plain file" << qint64(6) << true;
    QTest::newRow("a plain file at the lock's name, 4 s old: saved beside it, the file stays")
        << "plain file" << qint64(4) << true;
    QTest::newRow("a game killed while writing the list in place: finished from its copy")
        << "killed while writing in place" << qint64(0) << true;
}

void ScoreFileTest::lockOfAnotherGame()
{
    QFETCH(QString, owner);
    QFETCH(qint64, ageSeconds);
    QFETCH(bool, saved);
    const QByteArray old = lines(7, 7);
    writeBytes(m_path, old);
    const QString lockPath = m_path + QStringLiteral(".lock");
    const QByteArray host = QSysInfo::machineHostName().toUtf8();
    const QByteArray machine = firstLine(QStringLiteral("/etc/machine-id"));
    const QByteArray boot = firstLine(QStringLiteral("/proc/sys/kernel/random/boot_id"));
    FolderLock running(lockPath, 5000);
    if (owner.startsWith(QLatin1String("killed")))
        QVERIFY(killedWithTheLock(lockPath));
    if (owner == QLatin1String("killed while writing in place")) {
        // Only a sticky folder has lists written in place. The complete copy stands in the
        // lock; the list is cut off. Readers take the copy.
        QCOMPARE(chmod(QFile::encodeName(m_dir->path()).constData(), 01777), 0);
        writeBytes(lockPath + QStringLiteral("/pending"), old);
        writeBytes(m_path, old.left(6));
        QCOMPARE(scorefile::load(m_path).entries, QStringList{round(7)});
    }
    if (owner == QLatin1String("plain file")) {
        writeBytes(lockPath, "lock\r\n");
        QVERIFY(setAge(lockPath, ageSeconds));
    }
    if (owner == QLatin1String("before restart"))
        QVERIFY(writeLock(lockPath, lockToken(host, machine, "0123-4567", 1), 0));
    if (owner == QLatin1String("running game"))
        QVERIFY(running.tryLock(0));
    if (owner == QLatin1String("other computer"))
        QVERIFY(writeLock(lockPath, lockToken("anderer-rechner", machine, boot, endedProcess()), ageSeconds));
    if (owner == QLatin1String("cloned computer"))
        QVERIFY(writeLock(lockPath, lockToken(host + "-2", machine, boot, endedProcess()), ageSeconds));
    if (owner == QLatin1String("no owner"))
        QVERIFY(writeLock(lockPath, QByteArray(), ageSeconds));
    QVERIFY(QFileInfo::exists(lockPath));

    QCOMPARE(scorefile::addRounds(m_path, {round(5)}, {200}), saved);
    QCOMPARE(readBytes(m_path), saved ? lines(5, 5) + old : old);
    // Nothing is left beside the list but the lock that was waited for, or a file at its
    // name too young to remove.
    QStringList left{scorefile::FileName};
    if (!saved || (owner == QLatin1String("plain file") && ageSeconds < 5))
        left.append(scorefile::FileName + QStringLiteral(".lock"));
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), left);
}

// A game that hung past the stale age while it held the lock, which another game took
// over meanwhile: once it goes on, it neither replaces the list nor removes the other's lock.
void ScoreFileTest::aGameWhoseLockWasTakenOverLeavesListAndLockAlone()
{
    const QString lockPath = m_path + QStringLiteral(".lock");
    FolderLock hung(lockPath, 5000);
    QVERIFY(hung.tryLock(0));
    QVERIFY(setAge(lockPath, 60));
    FolderLock other(lockPath, 5000);
    QVERIFY(other.tryLock(1000));

    QVERIFY(!listfolder::replace(hung, m_path, lines(1, 1), nullptr));
    QCOMPARE(readBytes(m_path), QByteArray("(no file)"));
    hung.unlock();
    QVERIFY(other.isHeld());
    QVERIFY(listfolder::replace(other, m_path, lines(2, 2), nullptr));
    other.unlock();
    QCOMPARE(readBytes(m_path), lines(2, 2));
    QCOMPARE(entriesIn(m_dir->path()), QStringList{scorefile::FileName});
}

void ScoreFileTest::sharedFolder_data()
{
    QTest::addColumn<uint>("folderMode");
    QTest::addColumn<uint>("lockMode");
    QTest::addColumn<uint>("fileMode");
    QTest::addColumn<bool>("writtenInPlace");
    QTest::addColumn<bool>("fileAtLock");
    // A list there before, set to this mode by anna; 0: none.
    QTest::addColumn<uint>("listMode");

    // Pupils anna and ben; anna's game was killed while it held the lock (or anna left a
    // file at the lock's name), ben saves, anna saves. Another user's file can be neither
    // replaced nor removed in a sticky folder.
    QTest::newRow("a private folder: as the umask makes them") << 0700u << 0755u << 0644u << false << false << 0u;
    QTest::newRow("a group folder (setgid): group-writable, the folder's group")
        << 02775u << 02775u << 0664u << false << false << 0u;
    QTest::newRow("a group folder: a list set to 0640 stays 0640")
        << 02775u << 02775u << 0664u << false << false << 0640u;
    QTest::newRow("a sticky folder writable by all: writable by all, the list written in place")
        << 01777u << 0777u << 0666u << true << false << 0u;
    QTest::newRow("a sticky folder with another pupil's file at the lock's name")
        << 01777u << 0777u << 0666u << true << true << 0u;
}

void ScoreFileTest::sharedFolder()
{
    QFETCH(uint, folderMode);
    QFETCH(uint, lockMode);
    QFETCH(uint, fileMode);
    QFETCH(bool, writtenInPlace);
    QFETCH(bool, fileAtLock);
    QFETCH(uint, listMode);
    const bool twoUsers = folderMode != 0700u;
    if (twoUsers && geteuid() != 0)
        QSKIP("two pupils need root to switch users");
    const gid_t klasse = twoUsers ? 4300 : getgid();
    const uid_t anna = twoUsers ? 4301 : getuid();
    const uid_t ben = twoUsers ? 4302 : getuid();
    const QString folder = m_dir->filePath(QStringLiteral("klasse"));
    QVERIFY(QDir().mkdir(folder));
    QCOMPARE(chmod(QFile::encodeName(m_dir->path()).constData(), 0755), 0);
    QCOMPARE(chown(QFile::encodeName(folder).constData(), getuid(), klasse), 0);
    QCOMPARE(chmod(QFile::encodeName(folder).constData(), folderMode), 0);
    const QString list = folder + u'/' + scorefile::FileName;
    const QString lockPath = list + QStringLiteral(".lock");

    struct stat lock{}, owner{}, file{};
    if (listMode) {
        QVERIFY(runAs(anna, klasse, [&] {
            return QFile(list).open(QIODevice::WriteOnly) && chmod(QFile::encodeName(list).constData(), listMode) == 0;
        }));
    }
    if (fileAtLock) {
        QVERIFY(runAs(anna, klasse, [&] { return QFile(lockPath).open(QIODevice::WriteOnly); }));
        QVERIFY(setAge(lockPath, 60));
    } else {
        QVERIFY(killedWithTheLock(lockPath, anna, klasse));
        QCOMPARE(lstat(QFile::encodeName(lockPath).constData(), &lock), 0);
        const QString ownerFile = QDir(lockPath).entryList({QStringLiteral("owner*")}).value(0);
        QCOMPARE(lstat(QFile::encodeName(lockPath + u'/' + ownerFile).constData(), &owner), 0);
        QCOMPARE(lock.st_mode & 07777, mode_t(lockMode));
        QCOMPARE(owner.st_mode & 07777, mode_t(fileMode));
    }

    QVERIFY(runAs(ben, klasse, [&] { return scorefile::addRounds(list, {round(1)}); }));
    // Where ben could not remove anna's lock, he left it marked free: claimed at once, not by its age.
    const scorefile::Lock noAging{1000, 600000};
    QVERIFY(runAs(anna, klasse, [&] { return scorefile::addRounds(list, {round(2)}, fileAtLock ? scorefile::Lock{} : noAging); }));
    QCOMPARE(readBytes(list), lines(1, 2));
    QCOMPARE(lstat(QFile::encodeName(list).constData(), &file), 0);
    QCOMPARE(file.st_mode & 07777, mode_t(listMode ? listMode : fileMode));
    QCOMPARE(file.st_gid, klasse);
    QCOMPARE(file.st_uid, writtenInPlace ? ben : anna);
    QCOMPARE(entriesIn(folder), QStringList{scorefile::FileName});
}

// What games switched off mid-save left goes once it is far older than any save takes;
// anything newer, and anything not of the game's naming, stays.
void ScoreFileTest::oldLeftoversAreRemoved()
{
    const QString base = m_path;
    const QStringList old{".lock.stale-0a1b", ".lock.done-0a1b", ".lock.clock-0a1b", ".tmp-0a1b", ".Ab3xYz"};
    const QStringList kept{".backup", ".Backup", ".lock.mine", ".lock.stale-ffff"};
    for (const QString &name : old + kept) {
        if (name.contains(QLatin1String("stale")) || name.contains(QLatin1String("done"))) {
            QVERIFY(QDir().mkdir(base + name));
            writeBytes(base + name + QStringLiteral("/owner"), "host=x\n");
        } else {
            writeBytes(base + name, "x");
        }
        QVERIFY(setAge(base + name, name == u".lock.stale-ffff" ? 10 : 120));
    }
    QVERIFY(scorefile::addRounds(m_path, {round(1)}));
    QStringList left{scorefile::FileName};
    for (const QString &name : kept)
        left.append(scorefile::FileName + name);
    left.sort();
    QStringList actual = entriesIn(m_dir->path());
    actual.sort();
    QCOMPARE(actual, left);
}

// Two games saving in a tight loop into one folder: every round arrives, once. The game
// in this process saves through its store.
void ScoreFileTest::twoProcessesSavingAtOnceLoseNoRound()
{
    const int rounds = 50;
    const pid_t child = fork();
    if (child == 0) {
        alarm(120);
        int failed = 0;
        for (int i = 0; i < rounds; ++i)
            failed += scorefile::addRounds(m_path, {round(2 * i + 2)}) ? 0 : 1;
        _exit(failed);
    }
    QVERIFY(child > 0);
    ScoreStore store(m_path);
    int failed = 0;
    for (int i = 0; i < rounds; ++i)
        failed += store.save({round(2 * i + 1)}) ? 0 : 1;
    int status = -1;
    QCOMPARE(waitpid(child, &status, 0), child);
    QVERIFY(WIFEXITED(status));
    QCOMPARE(WEXITSTATUS(status), 0);
    QCOMPARE(failed, 0);
    QCOMPARE(readBytes(m_path), lines(1, 100));
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{scorefile::FileName});
}

// A network folder that stops answering, made honestly: the lock's owner file is a pipe
// that nobody writes, so opening it blocks in the kernel until someone does.
void ScoreFileTest::aHangingSaveFailsInTimeAndCountsWhenItEnds()
{
    const QString lockPath = m_path + QStringLiteral(".lock");
    const QString pipeEnd = m_dir->filePath(QStringLiteral("pipe"));
    const auto hang = [&] {
        QVERIFY(QDir().mkdir(lockPath));
        QCOMPARE(mkfifo(QFile::encodeName(pipeEnd).constData(), 0644), 0);
        QCOMPARE(link(QFile::encodeName(pipeEnd).constData(),
                      QFile::encodeName(lockPath + QStringLiteral("/owner")).constData()), 0);
    };
    // The server answers again, and the lock has gone meanwhile.
    const auto answer = [&] {
        QVERIFY(QFile::remove(lockPath + QStringLiteral("/owner")));
        QVERIFY(QDir().rmdir(lockPath));
        const int fd = open(QFile::encodeName(pipeEnd).constData(), O_WRONLY | O_NONBLOCK);
        QVERIFY(fd >= 0);
        close(fd);
        QVERIFY(QFile::remove(pipeEnd));
    };
    const ScoreStore::Bounds bounds{1000, {500}};
    auto store = std::make_unique<ScoreStore>(m_path, bounds);

    hang();
    QElapsedTimer took;
    took.start();
    QVERIFY(!store->save({round(1)}));
    // A second save and a load while the first save still hangs fail in time as well.
    QVERIFY(!store->save({round(2)}));
    QVERIFY(!store->load());
    QVERIFY2(took.elapsed() < 8000, qPrintable(QString::number(took.elapsed())));
    QCOMPARE(store->unsaved(), (QStringList{round(1), round(2)}));

    // The hanging save ends and brings its round; the next save brings only the other.
    answer();
    QTRY_COMPARE(store->unsaved(), QStringList{round(2)});
    QCOMPARE(readBytes(m_path), lines(1, 1));
    QVERIFY(store->save());
    QCOMPARE(readBytes(m_path), lines(1, 2));
    QVERIFY(store->unsaved().isEmpty());

    // Nor does a save in the background wait longer; a game that quits does not wait
    // for it at all, and it still ends well.
    hang();
    std::optional<bool> saved;
    connect(store.get(), &ScoreStore::saved, this, [&](bool ok) { saved = ok; });
    store->add(round(3));
    store->startSave();
    QTRY_VERIFY_WITH_TIMEOUT(saved.has_value(), 8000);
    QVERIFY(!*saved);
    took.restart();
    store.reset();
    QVERIFY(took.elapsed() < 500);
    answer();
    QTRY_COMPARE(readBytes(m_path), lines(1, 3));
    QTRY_COMPARE(QDir(m_dir->path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{scorefile::FileName});
}

// A save waiting for another game's lock hears the folder answer all the while: it goes
// on past the silence bound until the lock is let go. The holder keeps showing life, so
// it keeps its lock past the stale age and past how long the other waits for a sign.
void ScoreFileTest::aSaveWaitingForALiveLockGoesOnPastTheSilence()
{
    const scorefile::Lock lock{200, 300};
    std::atomic<bool> held{false};
    bool holderSaved = false;
    std::thread holder([&] {
        FolderLock folder(m_path + QStringLiteral(".lock"), lock.staleMs);
        if (!folder.tryLock(0))
            return;
        held = true;
        QElapsedTimer working;
        working.start();
        while (working.elapsed() < 2500) {
            QThread::msleep(20);
            folder.keepAlive();
        }
        holderSaved = folder.isHeld() && listfolder::replace(folder, m_path, lines(1, 1), nullptr);
    });
    QTRY_VERIFY(held);
    ScoreStore store(m_path, {1000, lock});
    std::optional<bool> saved;
    connect(&store, &ScoreStore::saved, this, [&](bool ok) { saved = ok; });
    store.add(round(2));
    store.startSave();
    QTRY_VERIFY_WITH_TIMEOUT(saved.has_value(), 10000);
    holder.join();
    QVERIFY(holderSaved);
    QVERIFY(*saved);
    QCOMPARE(readBytes(m_path), lines(1, 2));
    QCOMPARE(entriesIn(m_dir->path()), QStringList{scorefile::FileName});
}

// The list a load shows is the file's entries and the game's rounds not in them, each
// once, whichever ends first: a save that ends before the load is heard of, or a save
// that fails.
void ScoreFileTest::aLoadShowsTheGamesRoundsNotInTheFile()
{
    writeBytes(m_path, lines(5, 5));
    FolderLock other(m_path + QStringLiteral(".lock"), 5000);
    ScoreStore store(m_path, {1000, {200}});
    std::optional<bool> saved;
    std::optional<QStringList> shown;
    connect(&store, &ScoreStore::saved, this, [&](bool ok) { saved = ok; });
    connect(&store, &ScoreStore::loaded, this, [&](const std::optional<scorefile::Loaded> &list) {
        shown = list ? list->entries : QStringList{"(silent)"};
    });
    const auto heard = [&] {
        static_cast<void>(QTest::qWaitFor([&] { return shown.has_value(); }));
        return std::exchange(shown, std::nullopt).value_or(QStringList{"(not heard)"});
    };

    store.startLoad();
    store.add(round(1));
    store.startSave();
    // Both end before the store's thread hears of either.
    for (int i = 0; i < 1000 && !store.unsaved().isEmpty(); ++i)
        QThread::msleep(10);
    QVERIFY(store.unsaved().isEmpty());
    QCOMPARE(heard(), (QStringList{round(5), round(1)}));
    QTRY_VERIFY(saved.has_value() && *saved);

    QVERIFY(other.tryLock(0));
    store.add(round(2));
    store.startSave();
    store.startLoad();
    QCOMPARE(heard(), (QStringList{round(1), round(5), round(2)}));
    QVERIFY(saved.has_value() && !*saved);

    other.unlock();
    store.startSave();
    store.startLoad();
    QCOMPARE(heard(), (QStringList{round(1), round(2), round(5)}));
    QCOMPARE(readBytes(m_path), lines(1, 2) + lines(5, 5));
}

QTEST_GUILESS_MAIN(ScoreFileTest)
#include "scorefile_test.moc"
