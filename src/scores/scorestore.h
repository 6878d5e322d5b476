#pragma once

#include "scores/scorefile.h"

#include <QDeadlineTimer>
#include <QString>
#include <QStringList>

#include <memory>
#include <mutex>
#include <optional>

// The high-score file as a game uses it: the rounds won and not yet saved, and the file
// work on a thread of its own, so that a network folder that stops answering (its server
// stopped or frozen) costs the caller a bounded wait instead of minutes in the kernel.
// One piece of file work at a time: work still hanging from before makes the next call
// fail within its bound too. Whatever that work achieves once it ends counts: rounds it
// saved late are not saved again.
class ScoreStore
{
public:
    struct Bounds
    {
        // The longest a call waits for its file work, a save's wait for the lock included.
        int waitMs = 10000;
        // The lock: how long a save waits for another game's, and when one counts as left.
        scorefile::Lock lock;
    };

    explicit ScoreStore(const QString &path);
    ScoreStore(const QString &path, Bounds bounds);
    // Never waits for file work that hangs.
    ~ScoreStore();
    ScoreStore(const ScoreStore &) = delete;
    ScoreStore &operator=(const ScoreStore &) = delete;

    void add(const QString &round);
    // Adds the rounds, then brings every round not saved yet into the file through
    // scorefile::addRounds. False when that failed or did not end within the bound; the
    // rounds are kept for the next save then.
    bool save(const QStringList &newRounds = {});
    // What the file holds, by scorefile::load; nothing when that did not end within the bound.
    std::optional<scorefile::Loaded> load();
    QStringList unsaved() const;

private:
    struct Shared;
    // Waits for the file work on hand, in a local event loop on the application's thread
    // that leaves out user input, so that the window repaints but no click reaches the game.
    bool waitUntilIdle(std::unique_lock<std::mutex> &lock, const QDeadlineTimer &deadline);
    // Hands a save or a load to a worker thread of its own.
    void start(std::unique_lock<std::mutex> &lock, bool saving);

    QString m_path;
    Bounds m_bounds;
    std::shared_ptr<Shared> m_shared;
};
