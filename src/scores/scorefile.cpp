#include "scores/scorefile.h"

#include "game/text.h"
#include "scores/folderlock.h"
#include "scores/highscorelist.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>

#include <sys/stat.h>

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

namespace {

Loaded loadFile(const QString &path)
{
    Loaded result;
    // A pipe would block the game at its start and a device could never end.
    if (!QFileInfo(path).isFile()) {
        result.failed = true;
        return result;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.failed = true;
        return result;
    }
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        result.failed = true;
        // A line cut off by the error is not an entry; keep the whole lines before it.
        const qsizetype end = std::max(bytes.lastIndexOf('\n'), bytes.lastIndexOf('\r'));
        bytes.truncate(end + 1);
    }
    file.close();

    result.entries = parse(bytes);
    return result;
}

// Enough to tell that a file was written while it was read.
QByteArray stamp(const QString &path)
{
    struct stat st{};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return {};
    return QByteArray::number(qint64(st.st_size)) + ' ' + QByteArray::number(qint64(st.st_mtim.tv_sec)) + '.'
           + QByteArray::number(qint64(st.st_mtim.tv_nsec)) + ' ' + QByteArray::number(qint64(st.st_ctim.tv_sec))
           + '.' + QByteArray::number(qint64(st.st_ctim.tv_nsec));
}

} // namespace

Loaded load(const QString &path)
{
    // While a game writes the list in place (a sticky folder), its complete copy stands
    // in the lock folder: that one is the list then, not the half-written file.
    Loaded result;
    for (int attempt = 0; attempt < 3; ++attempt) {
        const bool copyBefore = !FolderLock::pendingCopy(path).isEmpty();
        const QByteArray before = stamp(path);
        result = loadFile(path);
        const QString copyAfter = FolderLock::pendingCopy(path);
        if (copyBefore || !copyAfter.isEmpty()) {
            const Loaded copy = loadFile(copyAfter);
            if (!copyAfter.isEmpty() && !copy.failed)
                return copy;
            continue;
        }
        if (stamp(path) == before)
            break;
    }
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
    // Written beside it and moved over it only once complete, so a failed save leaves the
    // old file as it was. Not through QSaveFile: that refuses a list its user may not
    // write, which a folder shared by a class still lets the game replace.
    const QString temp = file + QStringLiteral(".tmp-")
                         + QString::number(QRandomGenerator::system()->generate64(), 16);
    if (!FolderLock::writeNewFile(temp, serialize(entries), target.exists() ? file : QString()))
        return false;
    if (::rename(QFile::encodeName(temp).constData(), QFile::encodeName(file).constData()) != 0) {
        QFile::remove(temp);
        return false;
    }
    return true;
}

bool addRounds(const QString &path, const QStringList &rounds, const Lock &lock)
{
    // A lock folder beside the list rather than a lock on it: a file lock may not reach
    // across a network folder, a folder made only where none stands does.
    FolderLock lockFolder(path + QStringLiteral(".lock"), lock.staleMs);
    if (!lockFolder.tryLock(lock.waitMs))
        return false;
    HighScoreList list;
    const QFileInfo current(path);
    if (current.exists() || current.isSymLink()) {
        // Saving what could be read of it would lose the rest.
        const Loaded loaded = load(path);
        if (loaded.failed)
            return false;
        for (const QString &entry : loaded.entries)
            list.add(entry);
    }
    for (const QString &round : rounds)
        list.add(round);
    const bool saved = lockFolder.replace(serialize(list.entries()));
    lockFolder.unlock();
    FolderLock::removeLeftovers(path);
    return saved;
}

} // namespace scorefile
