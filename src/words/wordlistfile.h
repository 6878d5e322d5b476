#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Reading word-list files: one entry per line, lines ended by CR LF, CR or LF
// alone, in UTF-8 or in the Windows-1252 of the lists players already have.
namespace words {

// Files larger than this cannot be word lists and are refused unread.
inline constexpr qint64 MaxWordListBytes = 16 * 1024 * 1024;

// Valid UTF-8 is read as UTF-8 without its byte-order mark; anything else as
// Windows-1252. The text comes back in NFC, so an accented letter is one letter.
QString decodeWordList(const QByteArray &bytes);

// CR LF, CR alone or LF alone end a line: lists come from Windows and older
// installations as well as from editors here, and a line feed kept inside an entry
// would be a letter no one can see.
// A line end at the very end adds no empty entry; nothing is trimmed.
QStringList splitWordList(const QString &text);

struct WordListFile
{
    bool ok = false;
    QStringList entries;
    // A short German message for the "Textliste" box, each line ended by "\r".
    QString error;
};

// Reads the whole file before anything else changes, so that a failed load can
// leave the loaded list alone.
WordListFile readWordListFile(const QString &path);

// The folder, a "/" unless the folder already ends with one, and the name.
QString joinPath(const QString &folder, const QString &name);

} // namespace words
