#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QString>

// A lock that games on several computers share through a network folder, for one file
// beside it (the lock of BESTFANG.LST is BESTFANG.LST.lock). It is a folder made with
// mkdir, which the server makes only where none stands, even where a client turns a
// file's exclusive create into "overwrite" (SMB through FUSE). The file "owner" inside
// names the game that holds it.
//
// A game that stalls while it holds the lock (a frozen share) may be judged to have left
// it. So the new file is written inside the lock folder and moved from there onto the
// old one, and a game that takes a lock over first deletes everything in it: either the
// stalled game's move landed before (and the taker reads its file) or it fails and that
// save reports failure. A taker claims a left lock in place, by moving its owner file to
// a name of its own, so that no other game can take the lock in between.
class FolderLock
{
public:
    // path: the lock folder, the file's path with ".lock" added.
    FolderLock(const QString &path, int staleMs);
    ~FolderLock();
    FolderLock(const FolderLock &) = delete;
    FolderLock &operator=(const FolderLock &) = delete;

    // False when the lock was not had within waitMs, or at once when the folder takes no
    // new entry (read-only, gone, full).
    bool tryLock(int waitMs);
    // Whether the lock still carries this game's token: another game may have taken it
    // over as left behind.
    bool isHeld() const;
    void unlock();

    // Puts the bytes in place of the file the lock is for, complete or not at all, while
    // the lock is held. Only a plain file (or none) is replaced. False when the lock was
    // lost or the file could not be written; the old file stays then.
    bool replace(const QByteArray &bytes);

    // What this game writes into the lock: host name, machine id, boot id, process id
    // and a random part, one "key=value" a line.
    static QByteArray newToken();

    // Writes the bytes into a new file at path, synced, with the sharing the folder gives
    // what is made in it, or with the mode and group of the file it is to replace (like).
    static bool writeNewFile(const QString &path, const QByteArray &bytes, const QString &like);

    // Removes what games switched off in the middle of a save left beside the file:
    // temporary files, age probes and moved-aside locks, once they are older than
    // LeftoverMs by the server's clock, long after any save could still use them.
    static void removeLeftovers(const QString &filePath);
    static constexpr qint64 LeftoverMs = 60000;

    // Where a folder forbids replacing another user's file (sticky), the file is written
    // in place; a complete copy stands in the lock folder meanwhile, and readers and the
    // next holder take it for the file. Its path, or nothing when none stands.
    static QString pendingCopy(const QString &filePath);

    static inline const QString OwnerFile = QStringLiteral("owner");

private:
    enum class Owner { Live, LeftBehind, ByAge };
    enum class Claim { Taken, Retry, Denied };
    enum class Beside { Locked, RetryNow, Failed };
    FolderLock(const QString &path, const QString &filePath, int staleMs);
    Beside lockBesideFile(const QDeadlineTimer &deadline);
    static Owner judge(const QByteArray &token);
    // The lock's age by the server's clock, against a file written there now; negative
    // when the lock is gone.
    qint64 ageMs();
    Claim claimInPlace(const QString &entry, const QByteArray &judgedToken);
    bool takeOverAside(const QByteArray &judgedToken);
    bool finishTakeOver();
    bool writeOwner(bool exclusive = true);
    bool locked();

    // The lock folder in use: m_lockPath, or the one beside a file standing at its name.
    QString m_path;
    QString m_lockPath;
    QString m_filePath;
    bool m_besideAllowed = true;
    int m_staleMs;
    QByteArray m_token;
    QString m_probe;
    bool m_locked = false;
    // An unfinished write in place whose complete copy must stay for the next holder.
    bool m_keepStanding = false;
};
