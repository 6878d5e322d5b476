#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

#include <sys/types.h>

// A lock that games on several computers share through a network folder, for one file
// beside it (the lock of BESTFANG.LST is BESTFANG.LST.lock). It is a folder made with
// mkdir, which the server makes only where none stands, even where a client turns a
// file's exclusive create into "overwrite" (SMB through FUSE). An owner file inside, of a
// name of the holder's own, names the game that holds it.
//
// A holder shows that it still gets answers from the share by renaming its owner file now
// and then; a holder that stalled or was killed cannot. A lock that shows no sign of life
// for the stale age, or whose game is known to have ended, is taken over: the taker claims
// it in place by moving the owner file to a name of its own (only one game can), then
// deletes everything else in it. So a stalled holder's new list, written inside the lock
// folder and moved from there onto the old one, either landed before (and the taker reads
// it) or its move fails.
class FolderLock
{
public:
    // path: the lock folder, the file's path with ".lock" added.
    FolderLock(const QString &path, int staleMs);
    ~FolderLock();
    FolderLock(const FolderLock &) = delete;
    FolderLock &operator=(const FolderLock &) = delete;

    // Takes the lock. Waits while its holder shows signs of life, and gives up once none
    // came for waitMs (longer than the stale age, after which the lock is taken over
    // anyway), or at once when the folder takes no new entry (read-only, gone, full).
    bool tryLock(int waitMs);
    // Whether this game's owner file still stands: another game may have taken the lock
    // over as left behind.
    bool isHeld() const;
    // The same, proved by renaming the owner file, which also shows life: false once
    // another game has claimed it.
    bool renew();
    // Between the steps of work under the lock: tells the games that wait that this one
    // still gets answers, where it did not for a while.
    void keepAlive();
    void unlock();

    // The lock folder in use: the lock's name, or the one beside a file standing there.
    QString path() const { return m_path; }
    // The sharing the list's folder gives what is made in it (see fileio::sharing).
    mode_t fileSharing() const;
    // A complete copy of the list that the game whose lock was taken over left while it
    // wrote the list in place; the list is to be put right from it before anyone reads it.
    const std::optional<QByteArray> &leftCopy() const { return m_leftCopy; }
    // The lock stays when let go: it holds a copy the next holder must finish from.
    void keepStanding() { m_keepStanding = true; }

    // What this game writes into the lock: host name, machine id, boot id, process id
    // and a random part, one "key=value" a line.
    static QByteArray newToken();

    static inline const QString PendingFile = QStringLiteral("pending");

private:
    enum class Owner { Live, LeftBehind, ByAge };
    enum class Claim { Taken, Retry, Denied };
    enum class Beside { Locked, RetryNow, Failed };
    FolderLock(const QString &path, const QString &filePath, int staleMs);
    Beside lockBesideFile(int waitMs);
    static Owner judge(const QByteArray &token);
    // The lock's age by the server's clock, against a file written there now; negative
    // when the lock is gone.
    qint64 ageMs();
    Claim claimInPlace(const QString &entry, const QByteArray &judgedToken);
    bool takeOverAside(const QByteArray &judgedToken);
    bool finishTakeOver();
    bool writeOwner();
    QString ownerPath() const;

    QString m_path;
    QString m_lockPath;
    QString m_filePath;
    bool m_besideAllowed = true;
    int m_staleMs;
    QByteArray m_token;
    QString m_id;
    int m_beat = 0;
    qint64 m_lastBeat = 0;
    mode_t m_folderMode = 0;
    QString m_probe;
    bool m_locked = false;
    bool m_keepStanding = false;
    std::optional<QByteArray> m_leftCopy;
};
