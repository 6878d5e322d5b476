#pragma once

#include <QByteArray>
#include <QString>

#include <sys/stat.h>

class FolderLock;

// What the game does to files in the list's folder, which other games share: reading the
// list, replacing it under the lock so that a stalled game cannot overwrite a newer one,
// writing it in place where the folder forbids replacing it, and sweeping what games
// switched off in the middle of a save left behind.
namespace listfolder {

// The list as it stands, with what its open file told of it (a plain file or not, mode,
// owner and group); a complete copy standing in the lock counts as the list.
struct Read
{
    bool opened = false;
    bool plainFile = false;
    // Reached through a symbolic link.
    bool link = false;
    bool missing = false;
    bool readError = false;
    QByteArray bytes;
    struct stat info{};
};

// The list at path. Under the lock the list holds still; without it (a reader) a write in
// place may be on its way, so its copy in the lock is taken where one stands.
Read read(const QString &path, bool underLock);

// Puts the bytes in place of the list while the lock is held: written completely inside the
// lock folder and moved from there onto the list, which fails once a game that took the
// lock over has deleted it. Only a plain file (or none) is replaced; a link to the list is
// followed. The new file keeps the mode and group of the one it replaces. Where the
// folder forbids replacing another user's list (sticky), it is written in place while a
// complete copy stands in the lock. False when the lock was lost or the file could not be
// written; the old file stays then, but for a write in place cut off, which the copy puts
// right (the lock is then left standing for the next holder). current: what read() found
// under the lock, nothing for a list known to be missing.
bool replace(FolderLock &lock, const QString &path, const QByteArray &bytes, const Read *current);

// Removes what games switched off in the middle of a save left beside the list: temporary
// files, age probes and moved-aside locks, once they are older than LeftoverMs by the
// server's clock, long after any save could still use them. Looks at most once in
// SweepEveryMs for a folder, since nothing grows old enough to go any faster.
void sweep(const QString &path, mode_t sharing);
inline constexpr qint64 LeftoverMs = 60000;
inline constexpr qint64 SweepEveryMs = 30000;

} // namespace listfolder
