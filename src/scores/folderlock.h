#pragma once

#include <QByteArray>
#include <QString>

// A lock that games on several computers share through a network folder. It is a folder
// made with mkdir, which the server makes only where none stands, even where a client
// turns a file's exclusive create into "overwrite" (SMB through FUSE). The file "owner"
// inside names the game that holds it; that token is read back before the lock counts as
// had and checked again before the list is replaced and before the lock is removed.
class FolderLock
{
public:
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

    // What this game writes into the lock: host name, machine id, boot id, process id
    // and a random part, one "key=value" a line.
    static QByteArray newToken();

    static inline const QString OwnerFile = QStringLiteral("owner");

private:
    enum class Owner { Live, LeftBehind, ByAge };
    static Owner judge(const QByteArray &token);
    // The lock's age by the server's clock, against a file written there now; negative
    // when the lock is gone.
    qint64 ageMs();
    bool takeOver(const QByteArray &judgedToken);
    bool writeOwner();

    QString m_path;
    int m_staleMs;
    QByteArray m_token;
    QString m_probe;
    bool m_locked = false;
};
