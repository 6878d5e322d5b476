#include "scores/folderlock.h"

#include "scores/answers.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStringList>
#include <QSysInfo>
#include <QThread>

#include <cerrno>
#include <csignal>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString FreeFile = QStringLiteral("free");
const QString PendingFile = QStringLiteral("pending");

QByteArray nativePath(const QString &path)
{
    return QFile::encodeName(path);
}

QString randomHex()
{
    QRandomGenerator *random = QRandomGenerator::system();
    return QString::number(random->generate64(), 16).rightJustified(16, u'0')
           + QString::number(random->generate64(), 16).rightJustified(16, u'0');
}

int openFile(const QString &path, int flags, mode_t mode = 0)
{
    int fd = -1;
    do
        fd = ::open(nativePath(path).constData(), flags | O_CLOEXEC, mode);
    while (fd < 0 && errno == EINTR);
    answers::note();
    return fd;
}

// The whole file; false when it cannot be opened or read. At most limit bytes and a buffer more.
bool readFile(const QString &path, QByteArray *bytes, qsizetype limit = 1 << 24)
{
    bytes->clear();
    const int fd = openFile(path, O_RDONLY);
    if (fd < 0)
        return false;
    char buffer[4096];
    bool ok = true;
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        answers::note();
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            ok = false;
        if (n <= 0 || bytes->size() > limit)
            break;
        bytes->append(buffer, n);
    }
    ::close(fd);
    return ok;
}

// An owner token, or nothing when it cannot be opened or read.
QByteArray readAll(const QString &path)
{
    QByteArray bytes;
    if (!readFile(path, &bytes, 4096))
        return {};
    return bytes;
}

QByteArray firstLineOf(const char *path)
{
    return readAll(QString::fromLatin1(path)).trimmed();
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

qint64 mtimeMs(const struct stat &st)
{
    return qint64(st.st_mtim.tv_sec) * 1000 + st.st_mtim.tv_nsec / 1000000;
}

bool exists(const QString &path)
{
    struct stat st{};
    return ::lstat(nativePath(path).constData(), &st) == 0;
}

bool moveTo(const QString &from, const QString &to)
{
    const bool moved = ::rename(nativePath(from).constData(), nativePath(to).constData()) == 0;
    answers::note();
    return moved;
}

QString folderOf(const QString &path)
{
    return QFileInfo(path).path();
}

// What a folder shared by a class gives what is made in it, as a shared repository of a
// version control system does: group or others may write there, so they may write what
// the game makes there too (and read it, and enter a folder).
mode_t sharingOf(const QString &folder, bool forFolder)
{
    struct stat st{};
    if (::stat(nativePath(folder).constData(), &st) != 0)
        return 0;
    mode_t bits = 0;
    if (st.st_mode & S_IWGRP)
        bits |= S_IRGRP | S_IWGRP | (forFolder ? S_IXGRP : 0);
    if (st.st_mode & S_IWOTH)
        bits |= S_IROTH | S_IWOTH | (forFolder ? S_IXOTH : 0);
    return bits;
}

// A new file, made with the umask's mode plus the folder's sharing.
int createFile(const QString &path, int flags)
{
    const int fd = openFile(path, O_WRONLY | O_CREAT | flags, 0666);
    const mode_t sharing = fd >= 0 ? sharingOf(folderOf(path), false) : 0;
    struct stat st{};
    if (sharing && ::fstat(fd, &st) == 0 && (st.st_mode & sharing) != sharing)
        ::fchmod(fd, (st.st_mode & 07777) | sharing);
    return fd;
}

bool makeFolder(const QString &path)
{
    const QByteArray native = nativePath(path);
    const bool made = ::mkdir(native.constData(), 0777) == 0;
    answers::note();
    if (!made)
        return false;
    const mode_t sharing = sharingOf(folderOf(path), true);
    struct stat st{};
    if (sharing && ::stat(native.constData(), &st) == 0 && (st.st_mode & sharing) != sharing)
        ::chmod(native.constData(), (st.st_mode & 07777) | sharing);
    return true;
}

bool writeAll(int fd, const QByteArray &bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

// Some network file systems take no fsync; their server writes on its own then.
bool synced(int fd)
{
    return ::fsync(fd) == 0 || errno == EINVAL || errno == ENOSYS || errno == EROFS;
}

QStringList entriesOf(const QString &folder, bool *ok = nullptr)
{
    QStringList names;
    DIR *dir = ::opendir(nativePath(folder).constData());
    if (ok)
        *ok = dir != nullptr;
    if (!dir)
        return names;
    while (const dirent *entry = ::readdir(dir)) {
        const QString name = QFile::decodeName(entry->d_name);
        if (name != u"." && name != u"..")
            names.append(name);
    }
    ::closedir(dir);
    return names;
}

// A file, or a folder with all it holds. An entry another SMB client holds open cannot be
// removed for a moment (EBUSY), so this tries until the deadline.
bool removeWhole(const QString &path, const QDeadlineTimer &deadline, int depth = 0)
{
    const QByteArray native = nativePath(path);
    for (;;) {
        struct stat st{};
        if (::lstat(native.constData(), &st) != 0)
            return errno == ENOENT;
        if (!S_ISDIR(st.st_mode)) {
            if (::unlink(native.constData()) == 0 || errno == ENOENT)
                return true;
        } else if (depth < 4) {
            bool denied = false;
            for (const QString &name : entriesOf(path)) {
                if (!removeWhole(path + u'/' + name, QDeadlineTimer(0), depth + 1))
                    denied = denied || errno == EACCES || errno == EPERM || errno == EROFS;
            }
            if (::rmdir(native.constData()) == 0 || errno == ENOENT)
                return true;
            // What the folder's permissions keep will not go by waiting.
            if (denied)
                errno = EACCES;
        }
        if (errno == EACCES || errno == EPERM || errno == EROFS || deadline.hasExpired())
            return false;
        QThread::msleep(20);
    }
}

// The server's time now, from a file written there; negative when none can be written.
qint64 serverNowMs(const QString &probe)
{
    const QByteArray native = nativePath(probe);
    const int fd = createFile(probe, O_TRUNC);
    if (fd < 0)
        return -1;
    const bool written = ::write(fd, "\n", 1) == 1;
    struct stat stamped{};
    qint64 now = -1;
    if (::close(fd) == 0 && written && ::stat(native.constData(), &stamped) == 0)
        now = mtimeMs(stamped);
    ::unlink(native.constData());
    return now;
}

enum class InPlace { Untouched, Written, Broken };

// Writes the bytes over an existing file, for a folder where it cannot be replaced.
InPlace writeInPlace(const QString &path, const QByteArray &bytes)
{
    // No O_CREAT: a sticky folder refuses that on another user's file (protected_regular).
    const int fd = openFile(path, O_WRONLY);
    if (fd < 0)
        return InPlace::Untouched;
    bool ok = writeAll(fd, bytes) && ::ftruncate(fd, bytes.size()) == 0 && synced(fd);
    ok = ::close(fd) == 0 && ok;
    return ok ? InPlace::Written : InPlace::Broken;
}

} // namespace

FolderLock::FolderLock(const QString &path, int staleMs)
    : FolderLock(path, path.chopped(qMin<qsizetype>(path.size(), 5)), staleMs)
{
}

FolderLock::FolderLock(const QString &path, const QString &filePath, int staleMs)
    : m_path(path), m_lockPath(path), m_filePath(filePath), m_staleMs(staleMs), m_token(newToken()),
      m_probe(filePath + QStringLiteral(".lock.clock-") + randomHex())
{
}

FolderLock::~FolderLock()
{
    unlock();
}

QString FolderLock::pendingCopy(const QString &filePath)
{
    for (const QString &lock : {QStringLiteral(".lock/"), QStringLiteral(".lock.2/")}) {
        const QString copy = filePath + lock + PendingFile;
        if (exists(copy))
            return copy;
    }
    return {};
}

QByteArray FolderLock::newToken()
{
    QByteArray token;
    token += "host=" + QSysInfo::machineHostName().toUtf8() + '\n';
    token += "machine=" + machineId() + '\n';
    token += "boot=" + firstLineOf("/proc/sys/kernel/random/boot_id") + '\n';
    token += "pidns=" + pidNamespace() + '\n';
    token += "pid=" + QByteArray::number(qint64(::getpid())) + '\n';
    token += "random=" + randomHex().toLatin1() + '\n';
    return token;
}

FolderLock::Owner FolderLock::judge(const QByteArray &token)
{
    static const QByteArray mine = newToken();
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

qint64 FolderLock::ageMs()
{
    struct stat lock{};
    if (::lstat(nativePath(m_path).constData(), &lock) != 0)
        return -1;
    // The server stamps both, so a computer whose clock is off judges the age right.
    qint64 now = serverNowMs(m_probe);
    if (now < 0)
        now = QDateTime::currentMSecsSinceEpoch();
    // A client that shows no time for the lock leaves its age to how long it stands unchanged.
    if (mtimeMs(lock) <= 0)
        return 0;
    return std::max<qint64>(0, now - mtimeMs(lock));
}

bool FolderLock::writeOwner(bool exclusive)
{
    const QString owner = m_path + u'/' + OwnerFile;
    const int fd = createFile(owner, exclusive ? O_EXCL : O_TRUNC);
    if (fd < 0)
        return false;
    const bool whole = writeAll(fd, m_token);
    int error = errno;
    if (::close(fd) == 0 && whole)
        return true;
    if (whole)
        error = errno;
    // Not a token cut off, which would name no game.
    ::unlink(nativePath(owner).constData());
    errno = error;
    return false;
}

bool FolderLock::locked()
{
    m_locked = isHeld();
    return m_locked;
}

// With the lock claimed: whatever its last holder left in it goes before the list is read,
// above all the new list a stalled holder may still move onto the old one; a write in
// place it did not finish is finished from its complete copy.
bool FolderLock::finishTakeOver()
{
    QDeadlineTimer deadline(3000);
    for (;;) {
        bool listed = false;
        bool clean = true;
        for (const QString &name : entriesOf(m_path, &listed)) {
            if (name == OwnerFile || name == PendingFile)
                continue;
            if (!removeWhole(m_path + u'/' + name, QDeadlineTimer(0)))
                clean = false;
        }
        if (listed && clean)
            break;
        if (deadline.hasExpired())
            return false;
        QThread::msleep(20);
    }
    const QString pending = m_path + u'/' + PendingFile;
    if (!exists(pending))
        return true;
    QByteArray bytes;
    if (!readFile(pending, &bytes) || !replace(bytes)) {
        m_keepStanding = true;
        return false;
    }
    // Readers and the next holder would take a copy left standing for the list.
    if (::unlink(nativePath(pending).constData()) != 0 && errno != ENOENT) {
        m_keepStanding = true;
        return false;
    }
    return true;
}

FolderLock::Claim FolderLock::claimInPlace(const QString &entry, const QByteArray &judgedToken)
{
    // Of two games that found it left behind, only one can move it.
    const QString claim = m_path + QStringLiteral("/claim-") + randomHex();
    if (!moveTo(entry, claim))
        return errno == EACCES || errno == EPERM || errno == EROFS ? Claim::Denied : Claim::Retry;
    // A new owner written between the judgement and the move goes back to its place.
    if (entry.endsWith(OwnerFile) && readAll(claim) != judgedToken) {
        moveTo(claim, entry);
        return Claim::Retry;
    }
    m_locked = true;
    if (!writeOwner() || !locked()) {
        m_locked = false;
        moveTo(claim, entry);
        return Claim::Retry;
    }
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
    const QString aside = m_path + QStringLiteral(".stale-") + randomHex();
    if (!moveTo(m_path, aside)) {
        if (errno == ENOENT)
            return true;
        if (errno != EACCES && errno != EPERM)
            return false;
        // A sticky folder keeps another user's lock where it is; one without an owner is
        // claimed by writing ours, where that create is exclusive (a local or NFS folder).
        if (!judgedToken.isNull() || !writeOwner() || !locked())
            return false;
        if (!finishTakeOver()) {
            m_keepStanding = true;
            m_locked = false;
            return false;
        }
        return true;
    }
    struct stat st{};
    if (::lstat(nativePath(aside).constData(), &st) == 0 && !S_ISDIR(st.st_mode)) {
        // Something else at the lock's name, as earlier versions of the game left it.
        removeWhole(aside, QDeadlineTimer(3000));
        return true;
    }
    // A new lock taken between the judgement and the move goes back to its place.
    if (readAll(aside + u'/' + OwnerFile) != judgedToken) {
        moveTo(aside, m_path);
        return false;
    }
    // Nothing of its holder may remain that could still land on the list; a complete copy
    // of an unfinished write in place is finished first.
    QByteArray pending;
    const bool hasPending = readFile(aside + u'/' + PendingFile, &pending);
    if (!removeWhole(aside, QDeadlineTimer(3000))) {
        bool listed = false;
        for (const QString &name : entriesOf(aside, &listed)) {
            if (name != OwnerFile) {
                moveTo(aside, m_path);
                return false;
            }
        }
        if (!listed) {
            moveTo(aside, m_path);
            return false;
        }
    }
    if (hasPending) {
        // Finished under the lock, before anyone reads the list.
        if (!makeFolder(m_path) || !writeOwner() || !locked())
            return true;
        if (!replace(pending)) {
            m_keepStanding = true;
            m_locked = false;
            return false;
        }
        return true;
    }
    return true;
}

// A file at the lock's name, which the sticky bit may keep from any game but its owner's:
// games take turns through a lock folder beside it instead, and only its holder removes
// the file, once it is old, so that no game holds the lock while another holds this one.
FolderLock::Beside FolderLock::lockBesideFile(const QDeadlineTimer &deadline)
{
    FolderLock beside(m_lockPath + QStringLiteral(".2"), m_filePath, m_staleMs);
    beside.m_besideAllowed = false;
    if (!beside.tryLock(int(std::max<qint64>(0, deadline.remainingTime()))))
        return Beside::Failed;
    struct stat st{};
    if (::lstat(nativePath(m_lockPath).constData(), &st) != 0 || S_ISDIR(st.st_mode))
        return Beside::RetryNow;
    if (ageMs() > m_staleMs) {
        const QString aside = m_lockPath + QStringLiteral(".stale-") + randomHex();
        if (moveTo(m_lockPath, aside)) {
            removeWhole(aside, QDeadlineTimer(3000));
            return Beside::RetryNow;
        }
    }
    m_path = beside.m_path;
    m_token = beside.m_token;
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
    m_keepStanding = false;
    QDeadlineTimer deadline(waitMs);
    int quickRetries = 0;
    QByteArray seenToken;
    QElapsedTimer seenFor;
    for (int attempt = 0;; ++attempt) {
        bool retryNow = false;
        // Every player's game must be able to empty and remove it.
        if (makeFolder(m_path)) {
            if (!writeOwner()) {
                const int error = errno;
                // Anything but a lock moved away meanwhile: the folder takes no file now.
                if (error != ENOENT && error != ENOTDIR) {
                    ::rmdir(nativePath(m_path).constData());
                    return false;
                }
                retryNow = true;
            } else if (locked()) {
                return true;
            }
        } else if (errno != EEXIST) {
            if (errno != EINTR)
                return false;
            retryNow = true;
        } else if (struct stat st{}; m_besideAllowed && ::lstat(nativePath(m_path).constData(), &st) == 0
                                      && !S_ISDIR(st.st_mode)) {
            switch (lockBesideFile(deadline)) {
            case Beside::Locked:
                return true;
            case Beside::Failed:
                return false;
            case Beside::RetryNow:
                retryNow = true;
                break;
            }
        } else {
            const QString ownerPath = m_path + u'/' + OwnerFile;
            const QByteArray token = readAll(ownerPath);
            // A lock its last holder let go of where it could not remove it.
            if (token.isNull() && exists(m_path + u'/' + FreeFile)) {
                const Claim claim = claimInPlace(m_path + u'/' + FreeFile, {});
                if (claim == Claim::Taken)
                    return true;
                retryNow = claim == Claim::Retry;
            } else {
                if (!seenFor.isValid() || token != seenToken) {
                    seenToken = token;
                    seenFor.start();
                }
                bool stale = judge(token) == Owner::LeftBehind;
                if (!stale) {
                    const qint64 age = ageMs();
                    retryNow = age < 0;
                    stale = age > m_staleMs || seenFor.elapsed() > m_staleMs;
                }
                if (stale) {
                    Claim claim = Claim::Denied;
                    if (!token.isNull())
                        claim = claimInPlace(ownerPath, token);
                    if (claim == Claim::Taken)
                        return true;
                    if (claim == Claim::Denied) {
                        retryNow = takeOverAside(token);
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

bool FolderLock::isHeld() const
{
    return readAll(m_path + u'/' + OwnerFile) == m_token;
}

void FolderLock::unlock()
{
    if (!m_locked)
        return;
    m_locked = false;
    // A lock taken over as left behind is the other game's now; one whose write in place
    // did not finish stays for the next holder to finish it.
    if (m_keepStanding || !isHeld())
        return;
    // Moved aside first, so that the next game can take the lock even while the owner
    // file cannot be deleted yet.
    const QString aside = m_path + QStringLiteral(".done-") + randomHex();
    QDeadlineTimer deadline(3000);
    while (!moveTo(m_path, aside)) {
        if (errno == ENOENT)
            return;
        if (errno == EACCES || errno == EPERM) {
            // Another user's lock folder in a sticky folder stays; it is marked free, which
            // the next game claims at once.
            const QString owner = m_path + u'/' + OwnerFile;
            const QString free = m_path + u'/' + FreeFile;
            if (moveTo(owner, free) && readAll(free) != m_token)
                moveTo(free, owner);
            return;
        }
        if (deadline.hasExpired())
            return;
        QThread::msleep(20);
    }
    // The lock may have been taken over between the check and the move: it goes back.
    if (readAll(aside + u'/' + OwnerFile) != m_token) {
        moveTo(aside, m_path);
        return;
    }
    removeWhole(aside, QDeadlineTimer(3000));
}

bool FolderLock::writeNewFile(const QString &path, const QByteArray &bytes, const QString &like)
{
    const int fd = createFile(path, O_TRUNC);
    if (fd < 0)
        return false;
    struct stat old{};
    struct stat made{};
    if (!like.isEmpty() && ::stat(nativePath(like).constData(), &old) == 0 && ::fstat(fd, &made) == 0) {
        // The list keeps its group and permissions, whoever writes it.
        if (made.st_gid != old.st_gid)
            (void)!::fchown(fd, uid_t(-1), old.st_gid);
        if ((made.st_mode & 07777) != (old.st_mode & 0777))
            ::fchmod(fd, old.st_mode & 0777);
    }
    bool ok = writeAll(fd, bytes) && synced(fd);
    ok = ::close(fd) == 0 && ok;
    if (!ok)
        ::unlink(nativePath(path).constData());
    return ok;
}

bool FolderLock::replace(const QByteArray &bytes)
{
    if (!m_locked)
        return false;
    QString target = m_filePath;
    struct stat old{};
    bool hadFile = ::lstat(nativePath(target).constData(), &old) == 0;
    // A link to the list is followed, as it always was.
    if (hadFile && S_ISLNK(old.st_mode)) {
        target = QFileInfo(m_filePath).canonicalFilePath();
        hadFile = !target.isEmpty() && ::stat(nativePath(target).constData(), &old) == 0;
        if (!hadFile)
            return false;
    }
    // The new file would take the place of a pipe or a device (through a symbolic link
    // too), which is never the player's list.
    if (hadFile ? !S_ISREG(old.st_mode) : errno != ENOENT)
        return false;
    const QString temp = m_path + QStringLiteral("/list-") + randomHex();
    if (!writeNewFile(temp, bytes, hadFile ? target : QString()))
        return false;
    if (!isHeld()) {
        ::unlink(nativePath(temp).constData());
        return false;
    }
    // Fails once a game that took the lock over has deleted the new file.
    if (moveTo(temp, target))
        return true;
    const int error = errno;
    // A client may report a move whose answer it lost as failed: the list then holds
    // these very bytes, and saving its rounds again would put them in twice.
    QByteArray now;
    if (!exists(temp) && readFile(target, &now) && now == bytes)
        return true;
    struct stat folder{};
    const bool sticky = hadFile && (error == EPERM || error == EACCES)
                        && ::stat(nativePath(folderOf(target)).constData(), &folder) == 0
                        && (folder.st_mode & S_ISVTX) && old.st_uid != ::geteuid();
    if (!sticky) {
        ::unlink(nativePath(temp).constData());
        return false;
    }
    // Another user's list in a sticky folder: written in place, while the complete copy
    // stands where readers and the next holder find it.
    const QString pending = m_path + u'/' + PendingFile;
    if (!moveTo(temp, pending)) {
        ::unlink(nativePath(temp).constData());
        return false;
    }
    if (!isHeld()) {
        ::unlink(nativePath(pending).constData());
        return false;
    }
    switch (writeInPlace(target, bytes)) {
    case InPlace::Written:
        ::unlink(nativePath(pending).constData());
        return true;
    case InPlace::Untouched:
        ::unlink(nativePath(pending).constData());
        return false;
    case InPlace::Broken:
        m_keepStanding = true;
        return false;
    }
    return false;
}

void FolderLock::removeLeftovers(const QString &filePath)
{
    const QString folder = folderOf(filePath);
    const QString name = QFileInfo(filePath).fileName();
    // Only names this game makes: the lock's moved-aside folders and age probes, and the
    // temporary files of saves (six letters and digits, as earlier versions made them).
    static const QRegularExpression lockLeftover(
        QStringLiteral("^\\.lock(\\.2)?\\.(clock|stale|done)-[0-9a-f]+$"));
    static const QRegularExpression tempFile(QStringLiteral("^\\.(tmp-[0-9a-f]+|[A-Za-z0-9]{6})$"));
    // A word (".backup", ".Backup") is more likely a copy someone made than a temporary file.
    static const QRegularExpression word(QStringLiteral("^\\.([a-z]{6}|[A-Z]{6}|[A-Z][a-z]{5})$"));
    QStringList found;
    for (const QString &entry : entriesOf(folder)) {
        if (!entry.startsWith(name))
            continue;
        const QString rest = entry.mid(name.size());
        if (lockLeftover.match(rest).hasMatch()
            || (tempFile.match(rest).hasMatch() && !word.match(rest).hasMatch()))
            found.append(entry);
    }
    if (found.isEmpty())
        return;
    const qint64 now = serverNowMs(filePath + QStringLiteral(".lock.clock-") + randomHex());
    if (now < 0)
        return;
    for (const QString &entry : found) {
        const QString path = folder + u'/' + entry;
        struct stat st{};
        if (::lstat(nativePath(path).constData(), &st) == 0 && mtimeMs(st) > 0
            && now - mtimeMs(st) > LeftoverMs)
            removeWhole(path, QDeadlineTimer(0));
    }
}
