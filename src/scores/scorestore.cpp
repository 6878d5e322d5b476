#include "scores/scorestore.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <condition_variable>
#include <thread>

// What the caller and the worker share. The worker keeps it alive after the store has gone.
struct ScoreStore::Shared
{
    enum class Work { None, Save, Load };

    std::mutex mutex;
    std::condition_variable idle;
    Work work = Work::None;
    QStringList unsaved;
    bool saved = false;
    std::optional<scorefile::Loaded> loaded;
    QEventLoop *waiting = nullptr;

    void run(bool saving, const QString &path, const scorefile::Lock &lockBounds, const QStringList &rounds)
    {
        bool savedNow = false;
        std::optional<scorefile::Loaded> loadedNow;
        if (saving)
            savedNow = scorefile::addRounds(path, rounds, lockBounds);
        else
            loadedNow = scorefile::load(path);
        const std::lock_guard lock(mutex);
        // Rounds added while it ran stand behind the ones it carried.
        if (saving && savedNow)
            unsaved.remove(0, rounds.size());
        saved = savedNow;
        loaded = std::move(loadedNow);
        work = Work::None;
        idle.notify_all();
        if (waiting)
            QMetaObject::invokeMethod(waiting, &QEventLoop::quit, Qt::QueuedConnection);
    }
};

ScoreStore::ScoreStore(const QString &path) : ScoreStore(path, Bounds{})
{
}

ScoreStore::ScoreStore(const QString &path, Bounds bounds)
    : m_path(path), m_bounds(bounds), m_shared(std::make_shared<Shared>())
{
}

ScoreStore::~ScoreStore() = default;

void ScoreStore::add(const QString &round)
{
    const std::lock_guard lock(m_shared->mutex);
    m_shared->unsaved.append(round);
}

QStringList ScoreStore::unsaved() const
{
    const std::lock_guard lock(m_shared->mutex);
    return m_shared->unsaved;
}

bool ScoreStore::waitUntilIdle(std::unique_lock<std::mutex> &lock, const QDeadlineTimer &deadline)
{
    QCoreApplication *app = QCoreApplication::instance();
    const bool eventLoop = app && QThread::currentThread() == app->thread();
    while (m_shared->work != Shared::Work::None && !deadline.hasExpired()) {
        if (!eventLoop) {
            m_shared->idle.wait_for(lock, std::chrono::milliseconds(deadline.remainingTime()));
            continue;
        }
        QEventLoop loop;
        QTimer timeout;
        timeout.setSingleShot(true);
        QObject::connect(&timeout, &QTimer::timeout, &loop, &QEventLoop::quit);
        timeout.start(int(deadline.remainingTime()));
        m_shared->waiting = &loop;
        lock.unlock();
        loop.exec(QEventLoop::ExcludeUserInputEvents);
        lock.lock();
        m_shared->waiting = nullptr;
    }
    return m_shared->work == Shared::Work::None;
}

void ScoreStore::start(std::unique_lock<std::mutex> &, bool saving)
{
    m_shared->work = saving ? Shared::Work::Save : Shared::Work::Load;
    // Detached: a worker that hangs in the kernel must not hold up the game's end. The
    // next one starts only once it has ended.
    std::thread([shared = m_shared, saving, path = m_path, lock = m_bounds.lock, rounds = m_shared->unsaved] {
        shared->run(saving, path, lock, rounds);
    }).detach();
}

bool ScoreStore::save(const QStringList &newRounds)
{
    const QDeadlineTimer deadline(m_bounds.waitMs);
    std::unique_lock lock(m_shared->mutex);
    m_shared->unsaved.append(newRounds);
    if (!waitUntilIdle(lock, deadline))
        return false;
    // Work that hung before may have saved every round by now.
    if (m_shared->unsaved.isEmpty())
        return true;
    start(lock, true);
    return waitUntilIdle(lock, deadline) && m_shared->saved;
}

std::optional<scorefile::Loaded> ScoreStore::load()
{
    const QDeadlineTimer deadline(m_bounds.waitMs);
    std::unique_lock lock(m_shared->mutex);
    if (!waitUntilIdle(lock, deadline))
        return std::nullopt;
    start(lock, false);
    if (!waitUntilIdle(lock, deadline))
        return std::nullopt;
    return m_shared->loaded;
}
