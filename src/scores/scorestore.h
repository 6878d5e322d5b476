#pragma once

#include "scores/scorefile.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <memory>
#include <optional>

// The high-score file as a game uses it: the rounds won and not yet saved, and the file
// work on a thread of its own, so that the game never waits for a network folder. Saves
// and loads run one after another, in the order asked. Work counts as stalled only once
// the folder has answered nothing for a while (a slow share is not a dead one): it is
// reported failed then, and new work is refused until it ends. Whatever stalled work
// achieves once it ends counts: rounds it saved late are not saved again.
class ScoreStore : public QObject
{
    Q_OBJECT

public:
    struct Bounds
    {
        // How long the folder may answer nothing before the work on it counts as stalled.
        int silenceMs = 10000;
        // The lock: how long a save waits for another game's, and when one counts as left.
        scorefile::Lock lock;
    };

    explicit ScoreStore(const QString &path);
    ScoreStore(const QString &path, Bounds bounds);
    // Lets work that still gets answers end (2 s of silence at most); never waits for
    // work that hangs, which goes on without the store.
    ~ScoreStore() override;

    void add(const QString &round);
    QStringList unsaved() const;

    // In the background, reported by saved() and loaded() on the store's thread, one
    // report for each call. A save brings every round not saved yet into the file
    // through scorefile::addRounds; those of a failed one are kept for the next.
    void startSave();
    void startLoad();
    // Work asked in the background and not yet reported.
    bool busy() const { return m_saving + m_loading > 0; }
    bool saving() const { return m_saving > 0; }

    // For threads without a window: the same work, waited for as long as the folder answers.
    bool save(const QStringList &newRounds = {});
    // What the file holds, by scorefile::load; nothing when the folder stopped answering.
    std::optional<scorefile::Loaded> load();

signals:
    void saved(bool ok);
    // The file's entries and this game's rounds not in them; nothing when the folder
    // stopped answering.
    void loaded(const std::optional<scorefile::Loaded> &list);

private:
    struct Shared;
    void start(bool saving);
    void deliver();
    void watch();

    Bounds m_bounds;
    std::shared_ptr<Shared> m_shared;
    QTimer m_watch;
    int m_saving = 0;
    int m_loading = 0;
};
