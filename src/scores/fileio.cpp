#include "scores/fileio.h"

#include "scores/answers.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QThread>

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

namespace fileio {

namespace {

// The answer is noted without touching errno, which the caller reads next.
template<typename Result>
Result answered(Result result)
{
    const int error = errno;
    answers::note();
    errno = error;
    return result;
}

bool retryable(int error)
{
    return error == EBUSY || error == ENOTEMPTY || error == EEXIST;
}

} // namespace

QByteArray native(const QString &path)
{
    return QFile::encodeName(path);
}

QString folderOf(const QString &path)
{
    return QFileInfo(path).path();
}

QString randomHex()
{
    QRandomGenerator *random = QRandomGenerator::system();
    return QString::number(random->generate64(), 16).rightJustified(16, u'0')
           + QString::number(random->generate64(), 16).rightJustified(16, u'0');
}

int open(const QString &path, int flags, mode_t mode)
{
    int fd = -1;
    do
        fd = ::open(native(path).constData(), flags | O_CLOEXEC, mode);
    while (fd < 0 && errno == EINTR);
    return answered(fd);
}

bool readAll(int fd, QByteArray *bytes, qsizetype limit)
{
    bytes->clear();
    char buffer[8192];
    for (;;) {
        const ssize_t n = answered(::read(fd, buffer, sizeof buffer));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0 || bytes->size() > limit)
            return true;
        bytes->append(buffer, n);
    }
}

bool readFile(const QString &path, QByteArray *bytes, qsizetype limit)
{
    bytes->clear();
    const int fd = open(path, O_RDONLY);
    if (fd < 0)
        return false;
    const bool ok = readAll(fd, bytes, limit);
    close(fd);
    return ok;
}

bool writeAll(int fd, const QByteArray &bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = answered(::write(fd, bytes.constData() + done, size_t(bytes.size() - done)));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

bool sync(int fd)
{
    return answered(::fsync(fd)) == 0 || errno == EINVAL || errno == ENOSYS || errno == EROFS;
}

bool close(int fd)
{
    return answered(::close(fd)) == 0;
}

bool lstat(const QString &path, struct stat *st)
{
    return answered(::lstat(native(path).constData(), st)) == 0;
}

bool cachedStat(int fd, struct stat *st)
{
    struct statx sx{};
    if (answered(::statx(fd, "", AT_EMPTY_PATH | AT_STATX_DONT_SYNC, STATX_BASIC_STATS, &sx)) != 0)
        return false;
    *st = {};
    st->st_mode = sx.stx_mode;
    st->st_uid = sx.stx_uid;
    st->st_gid = sx.stx_gid;
    st->st_size = off_t(sx.stx_size);
    st->st_mtim = {sx.stx_mtime.tv_sec, sx.stx_mtime.tv_nsec};
    return true;
}

bool exists(const QString &path)
{
    struct stat st{};
    return lstat(path, &st);
}

bool rename(const QString &from, const QString &to)
{
    return answered(::rename(native(from).constData(), native(to).constData())) == 0;
}

bool unlink(const QString &path)
{
    return answered(::unlink(native(path).constData())) == 0;
}

bool rmdir(const QString &path)
{
    return answered(::rmdir(native(path).constData())) == 0;
}

QStringList entries(const QString &folder, bool *ok)
{
    QStringList names;
    DIR *dir = answered(::opendir(native(folder).constData()));
    if (ok)
        *ok = dir != nullptr;
    if (!dir)
        return names;
    while (const dirent *entry = answered(::readdir(dir))) {
        const QString name = QFile::decodeName(entry->d_name);
        if (name != u"." && name != u"..")
            names.append(name);
    }
    answered(::closedir(dir));
    return names;
}

qint64 mtimeMs(const struct stat &st)
{
    return qint64(st.st_mtim.tv_sec) * 1000 + st.st_mtim.tv_nsec / 1000000;
}

mode_t sharing(mode_t folderMode, bool forFolder)
{
    mode_t bits = 0;
    if (folderMode & S_IWGRP)
        bits |= S_IRGRP | S_IWGRP | (forFolder ? S_IXGRP : 0);
    if (folderMode & S_IWOTH)
        bits |= S_IROTH | S_IWOTH | (forFolder ? S_IXOTH : 0);
    return bits;
}

mode_t modeOf(const QString &folder)
{
    // A folder's mode changes seldom: what the client knows of it will do, and on a slow
    // share that spares a round trip.
    struct statx sx{};
    if (answered(::statx(AT_FDCWD, native(folder).constData(), AT_STATX_DONT_SYNC, STATX_MODE, &sx)) != 0)
        return 0;
    return sx.stx_mode;
}

int create(const QString &path, int flags, mode_t sharing)
{
    const int fd = open(path, O_WRONLY | O_CREAT | flags, 0666);
    struct stat st{};
    // Only where the umask took bits the folder gives: over SMB the server sets the modes.
    if (fd >= 0 && sharing && cachedStat(fd, &st) && (st.st_mode & sharing) != sharing)
        answered(::fchmod(fd, (st.st_mode & 07777) | sharing));
    return fd;
}

bool makeFolder(const QString &path, mode_t sharing)
{
    const QByteArray path8 = native(path);
    if (answered(::mkdir(path8.constData(), 0777)) != 0)
        return false;
    struct stat st{};
    if (sharing && answered(::stat(path8.constData(), &st)) == 0 && (st.st_mode & sharing) != sharing)
        answered(::chmod(path8.constData(), (st.st_mode & 07777) | sharing));
    return true;
}

bool removeWhole(const QString &path, int busyRetries)
{
    for (int attempt = 0;; ++attempt) {
        // A file goes at the first try; lstat only when that fails.
        if (unlink(path) || errno == ENOENT)
            return true;
        if (errno == EISDIR || errno == EPERM) {
            struct stat st{};
            if (!lstat(path, &st))
                return errno == ENOENT;
            if (S_ISDIR(st.st_mode)) {
                bool denied = false;
                for (const QString &name : entries(path)) {
                    if (!removeWhole(path + u'/' + name))
                        denied = denied || errno == EACCES || errno == EPERM || errno == EROFS;
                }
                if (rmdir(path) || errno == ENOENT)
                    return true;
                // What the folder's permissions keep will not go by waiting.
                if (denied)
                    errno = EACCES;
            }
        }
        if (!retryable(errno) || attempt >= busyRetries)
            return false;
        QThread::msleep(std::min(20 + 20 * attempt, 500));
    }
}

qint64 serverNowMs(const QString &probe, mode_t sharing)
{
    const int fd = create(probe, O_TRUNC, sharing);
    if (fd < 0)
        return -1;
    const bool written = writeAll(fd, "\n");
    struct stat stamped{};
    qint64 now = -1;
    if (close(fd) && written && lstat(probe, &stamped))
        now = mtimeMs(stamped);
    unlink(probe);
    return now;
}

} // namespace fileio
