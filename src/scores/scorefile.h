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

// Games that share a folder take turns at the file through a lock folder beside it,
// BESTFANG.LST.lock.
struct Lock
{
    // How long a save waits for another game's lock while its holder shows no new sign of
    // life; a holder that keeps showing it is waited for as long as it takes.
    int waitMs = 7000;
    // A lock that showed no sign of life for this long counts as left behind, which is all
    // that can be told of one from another computer; one from an ended game on this
    // computer counts at once.
    int staleMs = 5000;
};

// Under the lock: the entries the file holds now, the rounds added at their sorted
// places, the first 100 saved as save() does. So games sharing the folder keep each
// other's rounds, and an edit made to the file by hand stays. A missing file counts
// as empty; one that stands there but cannot be read, a lock not had in time, or one
// that another game took over meanwhile fails the save and leaves the file as it was.
bool addRounds(const QString &path, const QStringList &rounds, const Lock &lock = {});

} // namespace scorefile
