#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <sys/stat.h>
#include <sys/types.h>

// The few file-system calls the high-score file needs, straight to the kernel: on a network
// folder each call by path is a round trip to the server, so the callers count them. Every
// call that returns notes an answer (see answers.h).
namespace fileio {

QByteArray native(const QString &path);
QString folderOf(const QString &path);
// 32 random hex digits, for names no other game picks.
QString randomHex();

int open(const QString &path, int flags, mode_t mode = 0);
// Reads to the end of an open file; false on a read error. At most limit bytes and a buffer more.
bool readAll(int fd, QByteArray *bytes, qsizetype limit = 1 << 24);
// The whole file; false when it cannot be opened or read.
bool readFile(const QString &path, QByteArray *bytes, qsizetype limit = 1 << 24);
bool writeAll(int fd, const QByteArray &bytes);
// Some network file systems take no fsync; their server writes on its own then.
bool sync(int fd);
bool close(int fd);

bool lstat(const QString &path, struct stat *st);
// What the client knows of an open file, without asking the server again: its type never
// changes, and its mode and group as of the opening are enough here.
bool cachedStat(int fd, struct stat *st);
bool exists(const QString &path);
bool rename(const QString &from, const QString &to);
bool unlink(const QString &path);
bool rmdir(const QString &path);
QStringList entries(const QString &folder, bool *ok = nullptr);
qint64 mtimeMs(const struct stat &st);

// What a folder shared by a class gives what is made in it, as a shared repository of a
// version control system does: group or others may write there, so they may write what the
// game makes there too (and read it, and enter a folder). From the folder's mode.
mode_t sharing(mode_t folderMode, bool forFolder);
// The folder's mode as the client knows it, or 0 when it cannot be read.
mode_t modeOf(const QString &folder);
// A new file or folder with the umask's mode plus the sharing given.
int create(const QString &path, int flags, mode_t sharing);
bool makeFolder(const QString &path, mode_t sharing);

// A file, or a folder with all it holds. An entry another SMB client holds open cannot be
// removed for a moment (EBUSY): that is tried again a number of times, not for a fixed
// time, so that a slow share is given the same chances as a fast one.
bool removeWhole(const QString &path, int busyRetries = 0);

// The server's time now, from a file written at probe; negative when none can be written.
qint64 serverNowMs(const QString &probe, mode_t sharing);

} // namespace fileio
