#pragma once

#include <QString>
#include <QStringList>

// The high-score file: one entry a line, each line ">" + entry + CR LF.
namespace scorefile {

inline const QString FileName = QStringLiteral("BESTFANG.LST");
inline constexpr qsizetype MaxSaved = 100;

struct Loaded
{
    QStringList entries;
    // Missing, unreadable or not a file; entries holds the lines read before that.
    bool failed = false;
};

// Every line loses its first character, whatever it is. CR LF, LF alone and CR
// alone each end a line; a last line without a line end is read; an empty line
// gives an empty entry. Text that is valid UTF-8 is read as UTF-8, anything else
// as Windows-1252, the code page of files from older installations.
Loaded load(const QString &path);

// The entries in a file's bytes, by the rules of load().
QStringList parse(const QByteArray &bytes);

// The bytes save() writes for the entries, by its rules.
QByteArray serialize(const QStringList &entries);

// Writes the first 100 entries in their order, a line break inside an entry
// written as a space. Windows-1252 when it carries every entry back unchanged,
// UTF-8 otherwise. The file is replaced only once the new one is completely
// written, so a failed save leaves the old file as it was; returns false then.
bool save(const QString &path, const QStringList &entries);

} // namespace scorefile
