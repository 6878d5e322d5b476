#include "scores/folderlock.h"

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

// The whole file, or nothing when it cannot be opened or read.
QByteArray readAll(const QString &path)
{
    int fd = -1;
    do
        fd = ::open(nativePath(path).constData(), O_RDONLY | O_CLOEXEC);
    while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return {};
    QByteArray bytes;
    char buffer[512];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            bytes.clear();
        if (n <= 0 || bytes.size() > 4096)
            break;
        bytes.append(buffer, n);
    }
    ::close(fd);
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

// An entry another SMB client holds open cannot be removed for a moment (EBUSY).
void removeFolder(const QString &folder)
{
    const QByteArray owner = nativePath(folder + u'/' + FolderLock::OwnerFile);
    const QByteArray self = nativePath(folder);
    QDeadlineTimer deadline(3000);
    for (;;) {
        ::unlink(owner.constData());
        if (::rmdir(self.constData()) == 0 || errno == ENOENT)
            return;
        if (deadline.hasExpired())
            return;
        QThread::msleep(20);
    }
}

} // namespace

FolderLock::FolderLock(const QString &path, int staleMs)
    : m_path(path), m_staleMs(staleMs), m_token(newToken()),
      m_probe(path + QStringLiteral(".clock-") + randomHex())
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
    qint64 now = QDateTime::currentMSecsSinceEpoch();
    const QByteArray probe = nativePath(m_probe);
    const int fd = ::open(probe.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd >= 0) {
        const bool written = ::write(fd, "\n", 1) == 1;
        struct stat stamped{};
        if (::close(fd) == 0 && written && ::stat(probe.constData(), &stamped) == 0)
            now = mtimeMs(stamped);
        ::unlink(probe.constData());
    }
    // A client that shows no time for the lock leaves its age to how long it stands unchanged.
    if (mtimeMs(lock) <= 0)
        return 0;
    return std::max<qint64>(0, now - mtimeMs(lock));
}

bool FolderLock::writeOwner()
{
    const QByteArray owner = nativePath(m_path + u'/' + OwnerFile);
    const int fd = ::open(owner.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    const ssize_t written = ::write(fd, m_token.constData(), size_t(m_token.size()));
    const bool whole = written == m_token.size();
    int error = written < 0 ? errno : ENOSPC;
    if (::close(fd) == 0 && whole)
        return true;
    if (whole)
        error = errno;
    // Not a token cut off, which would name no game.
    ::unlink(owner.constData());
    errno = error;
    return false;
}

bool FolderLock::takeOver(const QByteArray &judgedToken)
{
    // Moved aside under a name of its own first: of two games that found it left behind,
    // only one can move it, and the other then finds no lock or a new one.
    const QString aside = m_path + QStringLiteral(".stale-") + randomHex();
    if (::rename(nativePath(m_path).constData(), nativePath(aside).constData()) != 0)
        return errno == ENOENT;
    // A new lock taken between the judgement and the move goes back to its place.
    if (readAll(aside + u'/' + OwnerFile) != judgedToken) {
        ::rename(nativePath(aside).constData(), nativePath(m_path).constData());
        return false;
    }
    removeFolder(aside);
    return true;
}

bool FolderLock::tryLock(int waitMs)
{
    if (m_locked)
        return true;
    m_token = newToken();
    const QByteArray folder = nativePath(m_path);
    QDeadlineTimer deadline(waitMs);
    int quickRetries = 0;
    QByteArray seenToken;
    QElapsedTimer seenFor;
    for (int attempt = 0;; ++attempt) {
        bool retryNow = false;
        // Every player's game must be able to empty and remove it; the umask has its say.
        if (::mkdir(folder.constData(), 0777) == 0) {
            if (!writeOwner()) {
                const int error = errno;
                // Anything but a lock moved away meanwhile: the folder takes no file now.
                if (error != ENOENT && error != ENOTDIR) {
                    ::rmdir(folder.constData());
                    return false;
                }
                retryNow = true;
            } else if (isHeld()) {
                m_locked = true;
                return true;
            }
        } else if (errno != EEXIST) {
            if (errno != EINTR)
                return false;
            retryNow = true;
        } else {
            const QByteArray token = readAll(m_path + u'/' + OwnerFile);
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
            if (stale)
                retryNow = takeOver(token);
        }
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
    // A lock taken over as left behind is the other game's now.
    if (!isHeld())
        return;
    // Moved aside first, so that the next game can take the lock even while the owner
    // file cannot be deleted yet.
    const QString aside = m_path + QStringLiteral(".done-") + randomHex();
    QDeadlineTimer deadline(3000);
    while (::rename(nativePath(m_path).constData(), nativePath(aside).constData()) != 0) {
        if (errno == ENOENT || deadline.hasExpired())
            return;
        QThread::msleep(20);
    }
    removeFolder(aside);
}
