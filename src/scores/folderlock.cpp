#include "scores/folderlock.h"

#include "scores/answers.h"
#include "scores/fileio.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QSysInfo>
#include <QThread>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString FreeFile = QStringLiteral("free");
// Earlier versions of the game named their owner file this way.
const QString PlainOwner = QStringLiteral("owner");
const QString OwnerPrefix = QStringLiteral("owner.");

bool isOwnerEntry(const QString &name)
{
    return name == PlainOwner || name.startsWith(OwnerPrefix);
}

// The holder's part of an owner file's name, which its beats leave as it is.
QString ownerId(const QString &name)
{
    return name.section(u'.', 1, 1);
}

// An owner token, or nothing when it cannot be opened or read.
QByteArray readToken(const QString &path)
{
    QByteArray bytes;
    if (!fileio::readFile(path, &bytes, 4096))
        return {};
    return bytes;
}

QByteArray firstLineOf(const char *path)
{
    return readToken(QString::fromLatin1(path)).trimmed();
}

QByteArray machineId()
{
    const QByteArray id = firstLineOf("/etc/machine-id");
    return id.isEmpty() ? firstLineOf("/var/lib/dbus/machine-id") : id;
}

// Games in containers of one computer each count their own processes.
QByteArray pidNamespace()
{
    char target[64] = {};
    const ssize_t n = ::readlink("/proc/self/ns/pid", target, sizeof target - 1);
    return n > 0 ? QByteArray(target, n) : QByteArray();
}

QByteArray field(const QByteArray &token, const QByteArray &key)
{
    for (const QByteArray &line : token.split('\n')) {
        if (line.startsWith(key + '='))
            return line.mid(key.size() + 1);
    }
    return {};
}

bool denied(int error)
{
    return error == EACCES || error == EPERM || error == EROFS;
}

bool inTheWay(int error)
{
    return error == EACCES || error == EPERM || error == EBUSY;
}

// What a look into a lock folder found.
struct Seen
{
    bool listed = false;
    QString owner;
    bool free = false;
    bool pending = false;
    QStringList others;
};

Seen look(const QString &lockPath)
{
    Seen seen;
    for (const QString &name : fileio::entries(lockPath, &seen.listed)) {
        if (isOwnerEntry(name) && seen.owner.isEmpty())
            seen.owner = name;
        else if (name == FreeFile)
            seen.free = true;
        else if (name == FolderLock::PendingFile)
            seen.pending = true;
        else
            seen.others.append(name);
    }
    return seen;
}

} // namespace

FolderLock::FolderLock(const QString &path, int staleMs)
    : FolderLock(path, path.chopped(qMin<qsizetype>(path.size(), 5)), staleMs)
{
}

FolderLock::FolderLock(const QString &path, const QString &filePath, int staleMs)
    : m_path(path), m_lockPath(path), m_filePath(filePath), m_staleMs(staleMs), m_token(newToken()),
      m_probe(filePath + QStringLiteral(".lock.clock-") + fileio::randomHex())
{
}

FolderLock::~FolderLock()
{
    unlock();
}

QByteArray FolderLock::newToken()
{
    QByteArray token;
    token += "host=" + QSysInfo::machineHostName().toUtf8() + '\n';
    token += "machine=" + machineId() + '\n';
    token += "boot=" + firstLineOf("/proc/sys/kernel/random/boot_id") + '\n';
    token += "pidns=" + pidNamespace() + '\n';
    token += "pid=" + QByteArray::number(qint64(::getpid())) + '\n';
    token += "random=" + fileio::randomHex().toLatin1() + '\n';
    return token;
}

FolderLock::Owner FolderLock::judge(const QByteArray &token)
{
    // Never destroyed: a save still on its way when the game ends may judge a lock then.
    static const QByteArray &mine = *new QByteArray(newToken());
    const QByteArray host = field(token, "host");
    // Computers cloned from one image share the machine id; the host name tells them apart.
    if (host.isEmpty() || host != field(mine, "host") || field(token, "machine") != field(mine, "machine"))
        return Owner::ByAge;
    if (field(token, "boot") != field(mine, "boot"))
        return Owner::LeftBehind;
    const qint64 pid = field(token, "pid").toLongLong();
    if (field(token, "pidns") == field(mine, "pidns") && pid > 0 && ::kill(pid_t(pid), 0) != 0
        && errno == ESRCH)
        return Owner::LeftBehind;
    return Owner::ByAge;
}

mode_t FolderLock::fileSharing() const
{
    return fileio::sharing(m_folderMode, false);
}

QString FolderLock::ownerPath() const
{
    return m_path + u'/' + OwnerPrefix + m_id + u'.' + QString::number(m_beat);
}

qint64 FolderLock::ageMs()
{
    struct stat lock{};
    if (!fileio::lstat(m_path, &lock))
        return -1;
    // The server stamps both, so a computer whose clock is off judges the age right.
    qint64 now = fileio::serverNowMs(m_probe, fileSharing());
    if (now < 0)
        now = QDateTime::currentMSecsSinceEpoch();
    // A client that shows no time for the lock leaves its age to how long it stands unchanged.
    if (fileio::mtimeMs(lock) <= 0)
        return 0;
    return std::max<qint64>(0, now - fileio::mtimeMs(lock));
}

bool FolderLock::writeOwner()
{
    const QString owner = ownerPath();
    const int fd = fileio::create(owner, O_EXCL, fileSharing());
    if (fd < 0)
        return false;
    const bool whole = fileio::writeAll(fd, m_token);
    int error = errno;
    if (fileio::close(fd) && whole) {
        m_lastBeat = answers::now();
        return true;
    }
    if (whole)
        error = errno;
    // Not a token cut off, which would name no game.
    fileio::unlink(owner);
    errno = error;
    return false;
}

bool FolderLock::isHeld() const
{
    return m_locked && fileio::exists(ownerPath());
}

bool FolderLock::renew()
{
    if (!m_locked)
        return false;
    const QString before = ownerPath();
    ++m_beat;
    // Over SMB a waiting game reading the owner file keeps it from moving for a moment.
    for (int attempt = 0;; ++attempt) {
        if (fileio::rename(before, ownerPath())) {
            m_lastBeat = answers::now();
            return true;
        }
        if (errno != EBUSY || attempt >= 50)
            break;
        QThread::msleep(std::min(10 + 10 * attempt, 200));
    }
    --m_beat;
    return false;
}

void FolderLock::keepAlive()
{
    if (m_locked && answers::now() - m_lastBeat >= m_staleMs / 2)
        renew();
}

// With the lock claimed: whatever its last holder left in it goes before the list is read,
// above all the new list a stalled holder may still move onto the old one. A complete copy
// of a write in place it did not finish is kept, for the list to be put right from it.
bool FolderLock::finishTakeOver()
{
    const QString mine = ownerPath().section(u'/', -1);
    for (int attempt = 0;; ++attempt) {
        bool listed = false;
        bool clean = true;
        for (const QString &name : fileio::entries(m_path, &listed)) {
            if (name == mine || name == PendingFile)
                continue;
            if (!fileio::removeWhole(m_path + u'/' + name))
                clean = false;
        }
        if (listed && clean)
            break;
        if (attempt >= 50)
            return false;
        QThread::msleep(std::min(20 + 20 * attempt, 500));
    }
    QByteArray copy;
    if (fileio::readFile(m_path + u'/' + PendingFile, &copy))
        m_leftCopy = copy;
    return true;
}

FolderLock::Claim FolderLock::claimInPlace(const QString &entry, const QByteArray &judgedToken)
{
    // Of two games that found it left behind, only one can move it.
    const QString claim = m_path + QStringLiteral("/claim-") + fileio::randomHex();
    if (!fileio::rename(m_path + u'/' + entry, claim))
        return denied(errno) ? Claim::Denied : Claim::Retry;
    // An owner file of an earlier version's plain name may have been written anew between
    // the judgement and the move: it goes back to its place. Ours are never named twice.
    if (entry == PlainOwner && readToken(claim) != judgedToken) {
        fileio::rename(claim, m_path + u'/' + entry);
        return Claim::Retry;
    }
    if (!writeOwner()) {
        fileio::rename(claim, m_path + u'/' + entry);
        return Claim::Retry;
    }
    m_locked = true;
    // What could not be cleared keeps the lock standing with this game's token, to be
    // taken over again once it is old.
    if (!finishTakeOver()) {
        m_keepStanding = true;
        m_locked = false;
        return Claim::Retry;
    }
    return Claim::Taken;
}

bool FolderLock::takeOverAside(const QByteArray &judgedToken)
{
    const QString aside = m_path + QStringLiteral(".stale-") + fileio::randomHex();
    if (!fileio::rename(m_path, aside)) {
        if (errno == ENOENT)
            return true;
        if (errno != EACCES && errno != EPERM)
            return false;
        // A sticky folder keeps another user's lock where it is; one without an owner is
        // claimed by writing ours, where that create is exclusive (a local or NFS folder).
        if (!judgedToken.isNull() || !writeOwner())
            return false;
        m_locked = true;
        if (!finishTakeOver()) {
            m_keepStanding = true;
            m_locked = false;
            return false;
        }
        return true;
    }
    struct stat st{};
    if (fileio::lstat(aside, &st) && !S_ISDIR(st.st_mode)) {
        // Something else at the lock's name, as earlier versions of the game left it.
        fileio::removeWhole(aside, 50);
        return true;
    }
    // A new lock taken between the judgement and the move goes back to its place.
    const Seen seen = look(aside);
    if ((seen.owner.isEmpty() ? QByteArray() : readToken(aside + u'/' + seen.owner)) != judgedToken) {
        fileio::rename(aside, m_path);
        return false;
    }
    // Nothing of its holder may remain that could still land on the list; a complete copy
    // of an unfinished write in place is kept to put the list right.
    QByteArray copy;
    const bool hasCopy = seen.pending && fileio::readFile(aside + u'/' + PendingFile, &copy);
    if (!fileio::removeWhole(aside, 50)) {
        const Seen left = look(aside);
        if (!left.listed || !left.others.isEmpty() || left.pending || left.free) {
            fileio::rename(aside, m_path);
            return false;
        }
    }
    if (hasCopy) {
        // Put right under the lock, before anyone reads the list; the copy stands in the
        // new lock meanwhile, for readers and for the next holder should this game stop.
        m_folderMode = fileio::modeOf(fileio::folderOf(m_filePath));
        if (!fileio::makeFolder(m_path, fileio::sharing(m_folderMode, true)) || !writeOwner())
            return true;
        m_locked = true;
        const int fd = fileio::create(m_path + u'/' + PendingFile, O_EXCL, fileSharing());
        bool written = fd >= 0 && fileio::writeAll(fd, copy) && fileio::sync(fd);
        if (fd >= 0)
            written = fileio::close(fd) && written;
        m_leftCopy = copy;
        if (!written)
            m_keepStanding = true;
    }
    return true;
}

// A file at the lock's name, which the sticky bit may keep from any game but its owner's:
// games take turns through a lock folder beside it instead, and only its holder removes
// the file, once it is old, so that no game holds the lock while another holds this one.
FolderLock::Beside FolderLock::lockBesideFile(int waitMs)
{
    FolderLock beside(m_lockPath + QStringLiteral(".2"), m_filePath, m_staleMs);
    beside.m_besideAllowed = false;
    if (!beside.tryLock(waitMs))
        return Beside::Failed;
    struct stat st{};
    if (!fileio::lstat(m_lockPath, &st) || S_ISDIR(st.st_mode))
        return Beside::RetryNow;
    m_path = m_lockPath;
    if (ageMs() > m_staleMs) {
        const QString aside = m_lockPath + QStringLiteral(".stale-") + fileio::randomHex();
        if (fileio::rename(m_lockPath, aside)) {
            fileio::removeWhole(aside, 50);
            return Beside::RetryNow;
        }
    }
    m_path = beside.m_path;
    m_token = beside.m_token;
    m_id = beside.m_id;
    m_beat = beside.m_beat;
    m_lastBeat = beside.m_lastBeat;
    m_leftCopy = beside.m_leftCopy;
    m_locked = true;
    beside.m_locked = false;
    return Beside::Locked;
}

bool FolderLock::tryLock(int waitMs)
{
    if (m_locked)
        return true;
    m_path = m_lockPath;
    m_token = newToken();
    m_id = fileio::randomHex();
    m_beat = 0;
    m_keepStanding = false;
    m_leftCopy.reset();
    // Every player's game must be able to empty and remove what it makes.
    m_folderMode = fileio::modeOf(fileio::folderOf(m_filePath));
    const mode_t folderSharing = fileio::sharing(m_folderMode, true);
    QDeadlineTimer deadline(waitMs);
    int quickRetries = 0;
    // What was last seen of the lock (its entries, its time stamp), since when, and its
    // age by the server's clock then.
    QString seenEntries;
    qint64 seenMtime = -1;
    QByteArray seenToken;
    QString tokenOf;
    QElapsedTimer seenFor;
    qint64 ageWhenSeen = 0;
    for (int attempt = 0;; ++attempt) {
        bool retryNow = false;
        if (fileio::makeFolder(m_path, folderSharing)) {
            if (writeOwner()) {
                m_locked = true;
                return true;
            }
            // Anything but a lock moved away meanwhile: the folder takes no file now.
            if (errno != ENOENT && errno != ENOTDIR) {
                fileio::rmdir(m_path);
                return false;
            }
            retryNow = true;
        } else if (errno != EEXIST) {
            // Over SMB a lock just removed stays in the way while another game still has it
            // open (delete pending), and a client that lost its connection for a moment says
            // EIO for a few seconds; a folder that takes no new entry fails at once.
            const int error = errno;
            if (error != EINTR && error != EIO
                && !(inTheWay(error) && ::access(fileio::native(fileio::folderOf(m_path)).constData(), W_OK) == 0))
                return false;
            retryNow = error == EINTR;
        } else if (struct stat st{}; !fileio::lstat(m_path, &st)) {
            retryNow = true;
        } else if (!S_ISDIR(st.st_mode)) {
            if (!m_besideAllowed)
                return false;
            switch (lockBesideFile(int(std::max<qint64>(0, deadline.remainingTime())))) {
            case Beside::Locked:
                return true;
            case Beside::Failed:
                return false;
            case Beside::RetryNow:
                retryNow = true;
                break;
            }
        } else {
            const Seen seen = look(m_path);
            if (!seen.listed) {
                // Gone meanwhile: at once; anything else after a pause.
                retryNow = errno == ENOENT;
            } else if (seen.owner.isEmpty() && seen.free) {
                // A lock its last holder let go of where it could not remove it.
                const Claim claim = claimInPlace(FreeFile, {});
                if (claim == Claim::Taken)
                    return true;
                retryNow = claim == Claim::Retry;
            } else {
                if (seen.owner.isEmpty()) {
                    seenToken = QByteArray();
                    tokenOf.clear();
                } else if (ownerId(seen.owner) != tokenOf || seen.owner == PlainOwner) {
                    seenToken = readToken(m_path + u'/' + seen.owner);
                    tokenOf = ownerId(seen.owner);
                }
                bool stale = judge(seenToken) == Owner::LeftBehind;
                // A holder that renames its owner file, or anything that changes the lock,
                // shows that it still gets answers.
                const QString seenNow = seen.owner + u'/' + seen.others.join(u'/');
                if (!stale && (seenNow != seenEntries || fileio::mtimeMs(st) != seenMtime || !seenFor.isValid())) {
                    // Its age counts only at first sight: a change seen since is a sign of
                    // life, however old the share's caches make its time stamp look.
                    const bool firstSight = !seenFor.isValid();
                    seenEntries = seenNow;
                    seenMtime = fileio::mtimeMs(st);
                    seenFor.start();
                    deadline.setRemainingTime(waitMs);
                    ageWhenSeen = firstSight ? ageMs() : 0;
                    retryNow = ageWhenSeen < 0;
                }
                if (!stale)
                    stale = std::max<qint64>(ageWhenSeen, 0) + seenFor.elapsed() > m_staleMs;
                if (stale) {
                    Claim claim = Claim::Denied;
                    if (!seen.owner.isEmpty())
                        claim = claimInPlace(seen.owner, seenToken);
                    if (claim == Claim::Taken)
                        return true;
                    if (claim == Claim::Denied) {
                        retryNow = takeOverAside(seenToken);
                        if (m_locked)
                            return true;
                    } else {
                        retryNow = true;
                    }
                }
            }
        }
        if (m_keepStanding)
            return false;
        if (retryNow && ++quickRetries < 100)
            continue;
        if (deadline.hasExpired())
            return false;
        const int pause = std::min(100, 10 + 10 * attempt) + int(QRandomGenerator::global()->bounded(20));
        QThread::msleep(ulong(std::min<qint64>(pause, std::max<qint64>(1, deadline.remainingTime()))));
    }
}

void FolderLock::unlock()
{
    if (!m_locked)
        return;
    m_locked = false;
    // One whose write in place did not finish stays for the next holder to finish it.
    if (m_keepStanding)
        return;
    // A lock taken over as left behind is the other game's now: its owner file is gone.
    for (int attempt = 0; !fileio::unlink(ownerPath()); ++attempt) {
        if (errno != EBUSY || attempt >= 50)
            return;
        QThread::msleep(std::min(20 + 20 * attempt, 500));
    }
    for (int attempt = 0; !fileio::rmdir(m_path); ++attempt) {
        if (errno == ENOENT)
            return;
        if (errno == EACCES || errno == EPERM) {
            // Another user's lock folder in a sticky folder stays; it is marked free, which
            // the next game claims at once.
            const int fd = fileio::create(m_path + u'/' + FreeFile, O_EXCL, fileSharing());
            if (fd >= 0)
                fileio::close(fd);
            return;
        }
        // What another game put there meanwhile is its own to clear.
        if (errno != EBUSY || attempt >= 50)
            return;
        QThread::msleep(std::min(20 + 20 * attempt, 500));
    }
}
