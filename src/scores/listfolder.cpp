#include "scores/listfolder.h"

#include "scores/answers.h"
#include "scores/fileio.h"
#include "scores/folderlock.h"

#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QRegularExpression>
#include <QThread>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace listfolder {

namespace {

// Opened without following a link, so that a link shows itself (ELOOP), and without
// blocking on a pipe, which would hold the game up for good.
Read readOnce(const QString &path)
{
    Read result;
    int fd = fileio::open(path, O_RDONLY | O_NONBLOCK | O_NOFOLLOW);
    result.link = fd < 0 && errno == ELOOP;
    if (result.link)
        fd = fileio::open(path, O_RDONLY | O_NONBLOCK);
    if (fd < 0) {
        // A link that leads nowhere is not a list to make anew.
        result.missing = errno == ENOENT && !result.link;
        return result;
    }
    result.opened = true;
    if (fileio::cachedStat(fd, &result.info) && S_ISREG(result.info.st_mode)) {
        result.plainFile = true;
        result.readError = !fileio::readAll(fd, &result.bytes);
    }
    fileio::close(fd);
    return result;
}

// Where a write in place may be on its way: the lock's copy, beside a file at the lock's
// name too. Only a sticky folder has them; on a slow share a look-up is a round trip.
QString pendingCopy(const QString &path)
{
    if (!(fileio::modeOf(fileio::folderOf(path)) & S_ISVTX))
        return {};
    const QString copy = path + QStringLiteral(".lock/") + FolderLock::PendingFile;
    if (fileio::exists(copy))
        return copy;
    if (errno != ENOTDIR)
        return {};
    const QString beside = path + QStringLiteral(".lock.2/") + FolderLock::PendingFile;
    return fileio::exists(beside) ? beside : QString();
}

bool writeNew(const QString &path, const QByteArray &bytes, mode_t sharing, const struct stat *old)
{
    const int fd = fileio::create(path, O_EXCL, old ? 0 : sharing);
    if (fd < 0)
        return false;
    struct stat made{};
    if (old && fileio::cachedStat(fd, &made)) {
        // The list keeps its group and permissions, whoever writes it.
        if (made.st_gid != old->st_gid)
            (void)!::fchown(fd, uid_t(-1), old->st_gid);
        if ((made.st_mode & 07777) != (old->st_mode & 0777))
            ::fchmod(fd, old->st_mode & 0777);
    }
    bool ok = fileio::writeAll(fd, bytes) && fileio::sync(fd);
    ok = fileio::close(fd) && ok;
    if (!ok)
        fileio::unlink(path);
    return ok;
}

enum class InPlace { Untouched, Written, Broken };

InPlace writeInPlace(const QString &path, const QByteArray &bytes)
{
    // No O_CREAT: a sticky folder refuses that on another user's file (protected_regular).
    const int fd = fileio::open(path, O_WRONLY | O_NONBLOCK);
    if (fd < 0)
        return InPlace::Untouched;
    bool ok = fileio::writeAll(fd, bytes) && ::ftruncate(fd, bytes.size()) == 0 && fileio::sync(fd);
    ok = fileio::close(fd) && ok;
    return ok ? InPlace::Written : InPlace::Broken;
}

// Another user's list in a sticky folder: written in place, while the complete copy stands
// where readers and the next holder find it.
bool replaceInPlace(FolderLock &lock, const QString &temp, const QString &target, const QByteArray &bytes)
{
    const QString pending = lock.path() + u'/' + FolderLock::PendingFile;
    if (!fileio::rename(temp, pending)) {
        fileio::unlink(temp);
        return false;
    }
    // Not over a list that a game which took the lock over may be writing now.
    if (!lock.renew()) {
        fileio::unlink(pending);
        return false;
    }
    switch (writeInPlace(target, bytes)) {
    case InPlace::Written:
        fileio::unlink(pending);
        return true;
    case InPlace::Untouched:
        fileio::unlink(pending);
        return false;
    case InPlace::Broken:
        lock.keepStanding();
        return false;
    }
    return false;
}

} // namespace

Read read(const QString &path, bool underLock)
{
    Read result = readOnce(path);
    if (underLock)
        return result;
    // A write in place stands its copy in the lock from before it begins until it has ended.
    for (int attempt = 0; attempt < 3; ++attempt) {
        const QString copy = pendingCopy(path);
        if (copy.isEmpty())
            break;
        Read fromCopy = readOnce(copy);
        if (fromCopy.plainFile && !fromCopy.readError)
            return fromCopy;
        result = readOnce(path);
    }
    return result;
}

bool replace(FolderLock &lock, const QString &path, const QByteArray &bytes, const Read *current)
{
    const struct stat *old = current && current->opened ? &current->info : nullptr;
    QString target = path;
    // A link to the list is followed, as it always was.
    if (current && current->link) {
        target = QFileInfo(path).canonicalFilePath();
        if (target.isEmpty())
            return false;
    }
    // The new file would take the place of a pipe or a device (through a link too), which
    // is never the player's list.
    if (old && !S_ISREG(old->st_mode))
        return false;
    const QString temp = lock.path() + QStringLiteral("/list-") + fileio::randomHex();
    if (!writeNew(temp, bytes, lock.fileSharing(), old))
        return false;
    // Not onto a list that a game which took the lock over may have saved since; and should
    // it take over from here on, it deletes the new file first, and the move fails.
    if (!lock.renew()) {
        fileio::unlink(temp);
        return false;
    }
    // Over SMB a list that another game has open for reading cannot be replaced for that
    // moment (EBUSY): tried again, a number of times rather than for a fixed time.
    for (int attempt = 0;; ++attempt) {
        if (fileio::rename(temp, target))
            return true;
        if (errno != EBUSY || attempt >= 50)
            break;
        QThread::msleep(std::min(10 + 10 * attempt, 200));
        lock.keepAlive();
    }
    const int error = errno;
    // A client may report a move whose answer it lost as failed: the list then holds
    // these very bytes, and saving its rounds again would put them in twice.
    QByteArray now;
    if (!fileio::exists(temp) && fileio::readFile(target, &now) && now == bytes)
        return true;
    struct stat folder{};
    const bool sticky = old && (error == EPERM || error == EACCES)
                        && ::stat(fileio::native(fileio::folderOf(target)).constData(), &folder) == 0
                        && (folder.st_mode & S_ISVTX) && old->st_uid != ::geteuid();
    if (!sticky) {
        fileio::unlink(temp);
        return false;
    }
    return replaceInPlace(lock, temp, target, bytes);
}

void sweep(const QString &path, mode_t sharing)
{
    const QString folder = fileio::folderOf(path);
    {
        // Never destroyed, as the patterns below: a save may still be on its way while the
        // game ends and its static objects go.
        static QMutex &mutex = *new QMutex;
        static QHash<QString, qint64> &lastSweep = *new QHash<QString, qint64>;
        const QMutexLocker locker(&mutex);
        const qint64 now = answers::now();
        const auto last = lastSweep.constFind(folder);
        if (last != lastSweep.cend() && now - *last < SweepEveryMs)
            return;
        lastSweep.insert(folder, now);
    }
    const QString name = QFileInfo(path).fileName();
    // Only names this game makes: the lock's moved-aside folders and age probes, and the
    // temporary files of saves (six letters and digits, as earlier versions made them).
    static const QRegularExpression &lockLeftover =
        *new QRegularExpression(QStringLiteral("^\\.lock(\\.2)?\\.(clock|stale|done)-[0-9a-f]+$"));
    static const QRegularExpression &tempFile =
        *new QRegularExpression(QStringLiteral("^\\.(tmp-[0-9a-f]+|[A-Za-z0-9]{6})$"));
    // A word (".backup", ".Backup") is more likely a copy someone made than a temporary file.
    static const QRegularExpression &word =
        *new QRegularExpression(QStringLiteral("^\\.([a-z]{6}|[A-Z]{6}|[A-Z][a-z]{5})$"));
    QStringList found;
    for (const QString &entry : fileio::entries(folder)) {
        if (!entry.startsWith(name))
            continue;
        const QString rest = entry.mid(name.size());
        if (lockLeftover.match(rest).hasMatch() || (tempFile.match(rest).hasMatch() && !word.match(rest).hasMatch()))
            found.append(entry);
    }
    if (found.isEmpty())
        return;
    const qint64 now = fileio::serverNowMs(path + QStringLiteral(".lock.clock-") + fileio::randomHex(), sharing);
    if (now < 0)
        return;
    for (const QString &entry : found) {
        const QString leftover = folder + u'/' + entry;
        struct stat st{};
        if (fileio::lstat(leftover, &st) && fileio::mtimeMs(st) > 0 && now - fileio::mtimeMs(st) > LeftoverMs)
            fileio::removeWhole(leftover);
    }
}

} // namespace listfolder
