#include "scores/scorefile.h"

#include "game/text.h"
#include "scores/fileio.h"
#include "scores/folderlock.h"
#include "scores/highscorelist.h"
#include "scores/listfolder.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace scorefile {

namespace {

const char *const LegacyCodec = "windows-1252";

QString decode(const QByteArray &bytes)
{
    // Stateless, so that a sequence cut off at the end counts as invalid.
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = utf8(bytes);
    if (!utf8.hasError())
        return text;
    QStringDecoder legacy(LegacyCodec);
    if (!legacy.isValid())
        return QString::fromLatin1(bytes);
    return legacy(bytes);
}

QByteArray encode(const QString &text)
{
    QStringEncoder legacy(LegacyCodec);
    if (legacy.isValid()) {
        const QByteArray bytes = legacy(text);
        // Also refuses bytes that would read back as UTF-8 and so come back garbled.
        if (!legacy.hasError() && decode(bytes) == text)
            return bytes;
    }
    return text.toUtf8();
}

bool isLineBreak(QChar c)
{
    switch (c.unicode()) {
    case u'\n':
    case u'\v':
    case u'\f':
    case u'\r':
    case 0x0085: // next line
    case 0x2028: // line separator
    case 0x2029: // paragraph separator
        return true;
    default:
        return false;
    }
}

// A name pasted with a line break must not split its entry over two lines.
QString oneLine(const QString &entry)
{
    QString line;
    line.reserve(entry.size());
    for (qsizetype i = 0; i < entry.size(); ++i) {
        const QChar c = entry.at(i);
        if (!isLineBreak(c)) {
            line += c;
            continue;
        }
        if (c == u'\r' && i + 1 < entry.size() && entry.at(i + 1) == u'\n')
            ++i;
        line += QLatin1Char(' ');
    }
    return line;
}

} // namespace

QStringList parse(const QByteArray &bytes)
{
    const QString text = decode(bytes);
    QStringList entries;
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = start;
        while (end < text.size() && text.at(end) != u'\r' && text.at(end) != u'\n')
            ++end;
        entries.append(text::withoutFirstChar(text.mid(start, end - start)));
        if (end < text.size() && text.at(end) == u'\r' && end + 1 < text.size()
            && text.at(end + 1) == u'\n')
            ++end;
        start = end + 1;
    }
    return entries;
}

QByteArray serialize(const QStringList &entries)
{
    QString text;
    const qsizetype count = std::min(entries.size(), MaxSaved);
    for (qsizetype i = 0; i < count; ++i)
        text += QLatin1Char('>') + oneLine(entries.at(i)) + QLatin1String("\r\n");
    return encode(text);
}

Loaded load(const QString &path)
{
    const listfolder::Read read = listfolder::read(path, false);
    Loaded result;
    // Missing, a pipe that would block the game at its start, a device that never ends.
    if (!read.plainFile) {
        result.failed = true;
        return result;
    }
    QByteArray bytes = read.bytes;
    if (read.readError) {
        result.failed = true;
        // A line cut off by the error is not an entry; keep the whole lines before it.
        const qsizetype end = std::max(bytes.lastIndexOf('\n'), bytes.lastIndexOf('\r'));
        bytes.truncate(end + 1);
    }
    result.entries = parse(bytes);
    return result;
}

bool save(const QString &path, const QStringList &entries)
{
    // Only a plain file is replaced: the new file would take the place of a pipe or a
    // device (through a symbolic link too), which is never the player's list.
    const QFileInfo target(path);
    if (target.exists() && !target.isFile())
        return false;
    const QString file = target.isSymLink() ? target.canonicalFilePath() : path;
    struct stat old{};
    const bool hadFile = ::stat(QFile::encodeName(file).constData(), &old) == 0;
    // Written beside it and moved over it only once complete, so a failed save leaves the
    // old file as it was. Not through QSaveFile: that refuses a list its user may not
    // write, which a folder shared by a class still lets the game replace.
    const QString temp = file + QStringLiteral(".tmp-") + fileio::randomHex().left(16);
    const int fd = fileio::create(temp, O_EXCL, hadFile ? 0 : fileio::sharing(fileio::modeOf(fileio::folderOf(file)), false));
    if (fd < 0)
        return false;
    if (hadFile) {
        (void)!::fchown(fd, uid_t(-1), old.st_gid);
        ::fchmod(fd, old.st_mode & 0777);
    }
    bool ok = fileio::writeAll(fd, serialize(entries)) && fileio::sync(fd);
    ok = fileio::close(fd) && ok;
    if (!ok || !fileio::rename(temp, file)) {
        fileio::unlink(temp);
        return false;
    }
    return true;
}

// One save of a game's rounds into a list that other games share, step by step.
bool addRounds(const QString &path, const QStringList &rounds, const Lock &lock)
{
    // Games take turns at the list through a lock folder beside it: a file lock may not
    // reach across a network folder, a folder made only where none stands does.
    FolderLock lockFolder(path + QStringLiteral(".lock"), lock.staleMs);
    if (!lockFolder.tryLock(lock.waitMs))
        return false;
    // A game whose lock was taken over may have left the list half written in place: its
    // complete copy puts it right before anyone reads it.
    if (lockFolder.leftCopy()) {
        const listfolder::Read torn = listfolder::read(path, true);
        if (!listfolder::replace(lockFolder, path, *lockFolder.leftCopy(), &torn)
            || (!fileio::unlink(lockFolder.path() + u'/' + FolderLock::PendingFile) && errno != ENOENT)) {
            lockFolder.keepStanding();
            return false;
        }
    }
    // The list as it is now, so that other games' rounds and edits made by hand stay. One
    // that stands there but cannot be read whole is left alone: saving what could be read
    // of it would lose the rest.
    const listfolder::Read current = listfolder::read(path, true);
    if (current.opened ? !current.plainFile || current.readError : !current.missing)
        return false;
    HighScoreList list;
    for (const QString &entry : parse(current.bytes))
        list.add(entry);
    for (const QString &round : rounds)
        list.add(round);
    lockFolder.keepAlive();
    // Moved onto the list from inside the lock, so that a game that stalled here and was
    // taken over cannot overwrite what the others saved since.
    const bool saved = listfolder::replace(lockFolder, path, serialize(list.entries()), &current);
    lockFolder.unlock();
    // What games switched off in the middle of a save left goes once it is old.
    listfolder::sweep(path, lockFolder.fileSharing());
    return saved;
}

} // namespace scorefile
