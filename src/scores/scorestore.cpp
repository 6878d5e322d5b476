#include "scores/scorestore.h"

#include "scores/answers.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

// What the store and its worker share. The worker keeps it alive after the store has gone.
struct ScoreStore::Shared : std::enable_shared_from_this<Shared>
{
    enum class Kind { Save, Load };
    struct Job
    {
        Job(Kind kind, bool background) : kind(kind), background(background) {}
        Kind kind;
        // Reported to the store's thread, or waited for by the caller.
        bool background;
        // Its outcome is known: done, refused, or failed once the folder fell silent.
        bool ended = false;
        bool ok = false;
        scorefile::Loaded file;
    };
    using JobPtr = std::shared_ptr<Job>;
    struct Report
    {
        Kind kind = Kind::Save;
        bool ok = false;
        scorefile::Loaded file;
        // Rounds from here on were not in the file when the load read it.
        qsizetype roundsAfter = 0;
    };

    QString path;
    scorefile::Lock lockBounds;
    int silenceMs = 0;

    std::mutex mutex;
    std::condition_variable change;
    // When the work on hand last had an answer from the folder.
    std::atomic<qint64> lastAnswer{0};
    std::deque<JobPtr> queue;
    JobPtr running;
    bool working = false;
    // The work on hand fell silent and was reported failed; nothing new starts until it ends.
    bool stalled = false;
    // This game's rounds from number `base` on; those below `saved` are in the file.
    QStringList rounds;
    qsizetype base = 0;
    qsizetype saved = 0;
    std::deque<Report> reports;
    ScoreStore *owner = nullptr;

    QStringList unsaved() const { return rounds.mid(saved - base); }

    // How long the folder may still stay silent before the work on hand counts as stalled.
    qint64 silenceLeft() const { return lastAnswer.load() + silenceMs - answers::now(); }

    void end(const JobPtr &job, bool ok)
    {
        job->ended = true;
        job->ok = ok;
        if (job->background) {
            reports.push_back({job->kind, ok, job->file, saved});
            if (owner)
                QMetaObject::invokeMethod(owner, &ScoreStore::deliver, Qt::QueuedConnection);
        }
        change.notify_all();
    }

    void ask(const JobPtr &job)
    {
        if (stalled) {
            end(job, false);
            return;
        }
        queue.push_back(job);
        if (working)
            return;
        working = true;
        lastAnswer = answers::now();
        // Detached: a worker that hangs in the kernel must not hold up the game's end.
        std::thread([self = shared_from_this()] { self->work(); }).detach();
    }

    // Everything asked fails now; what runs goes on, and what it achieves still counts.
    void stall()
    {
        stalled = true;
        if (running && !running->ended)
            end(running, false);
        for (const JobPtr &job : queue)
            end(job, false);
        queue.clear();
    }

    // Rounds that are in the file and that no load still to be reported needs.
    void forgetSavedRounds()
    {
        qsizetype needed = saved;
        for (const Report &report : reports) {
            if (report.kind == Kind::Load)
                needed = std::min(needed, report.roundsAfter);
        }
        rounds.remove(0, needed - base);
        base = needed;
    }

    void work()
    {
        std::unique_lock lock(mutex);
        while (!queue.empty()) {
            const JobPtr job = running = queue.front();
            queue.pop_front();
            const bool saving = job->kind == Kind::Save;
            const QStringList carried = saving ? unsaved() : QStringList();
            lock.unlock();
            bool ok = true;
            scorefile::Loaded file;
            {
                const answers::Scope answering(&lastAnswer);
                if (saving && !carried.isEmpty())
                    ok = scorefile::addRounds(path, carried, lockBounds);
                else if (!saving)
                    file = scorefile::load(path);
            }
            lock.lock();
            running = nullptr;
            // Rounds added while it ran stand behind the ones it carried.
            if (ok)
                saved += carried.size();
            job->file = std::move(file);
            if (job->ended)
                stalled = false;
            else
                end(job, ok);
            forgetSavedRounds();
        }
        working = false;
        change.notify_all();
    }

    // Waits on the caller's thread for as long as the folder answers.
    bool wait(std::unique_lock<std::mutex> &lock, const JobPtr &job)
    {
        while (!job->ended) {
            const qint64 left = silenceLeft();
            if (left <= 0) {
                stall();
                break;
            }
            change.wait_for(lock, std::chrono::milliseconds(left));
        }
        return job->ok;
    }
};

ScoreStore::ScoreStore(const QString &path) : ScoreStore(path, Bounds{})
{
}

ScoreStore::ScoreStore(const QString &path, Bounds bounds)
    : m_bounds(bounds), m_shared(std::make_shared<Shared>())
{
    m_shared->path = path;
    m_shared->lockBounds = bounds.lock;
    m_shared->silenceMs = bounds.silenceMs;
    m_shared->owner = this;
    m_watch.setSingleShot(true);
    connect(&m_watch, &QTimer::timeout, this, &ScoreStore::watch);
}

ScoreStore::~ScoreStore()
{
    std::unique_lock lock(m_shared->mutex);
    m_shared->owner = nullptr;
    // Work that still gets answers is let end, so that it does not run on while the program
    // ends and its static objects go; work that hangs is left to itself at once.
    const qint64 patience = std::min(m_bounds.silenceMs, 2000);
    while (m_shared->working && answers::now() - m_shared->lastAnswer.load() < patience)
        m_shared->change.wait_for(lock, std::chrono::milliseconds(50));
}

void ScoreStore::add(const QString &round)
{
    const std::lock_guard lock(m_shared->mutex);
    m_shared->rounds.append(round);
}

QStringList ScoreStore::unsaved() const
{
    const std::lock_guard lock(m_shared->mutex);
    return m_shared->unsaved();
}

void ScoreStore::startSave()
{
    ++m_saving;
    start(true);
}

void ScoreStore::startLoad()
{
    ++m_loading;
    start(false);
}

void ScoreStore::start(bool saving)
{
    const std::lock_guard lock(m_shared->mutex);
    m_shared->ask(std::make_shared<Shared::Job>(saving ? Shared::Kind::Save : Shared::Kind::Load, true));
    if (!m_watch.isActive() && m_shared->working)
        m_watch.start(int(std::max<qint64>(0, m_shared->silenceLeft())));
}

// Looks for silence when it could first have lasted long enough, and again while work goes on.
void ScoreStore::watch()
{
    const std::lock_guard lock(m_shared->mutex);
    if (!m_shared->working || m_shared->stalled)
        return;
    const qint64 left = m_shared->silenceLeft();
    if (left <= 0)
        m_shared->stall();
    else
        m_watch.start(int(left));
}

void ScoreStore::deliver()
{
    for (;;) {
        Shared::Report report;
        std::optional<scorefile::Loaded> list;
        {
            const std::lock_guard lock(m_shared->mutex);
            if (m_shared->reports.empty())
                return;
            report = std::move(m_shared->reports.front());
            m_shared->reports.pop_front();
            if (report.kind == Shared::Kind::Load && report.ok) {
                list = std::move(report.file);
                list->entries += m_shared->rounds.mid(report.roundsAfter - m_shared->base);
            }
            m_shared->forgetSavedRounds();
        }
        if (report.kind == Shared::Kind::Save) {
            --m_saving;
            emit saved(report.ok);
        } else {
            --m_loading;
            emit loaded(list);
        }
    }
}

bool ScoreStore::save(const QStringList &newRounds)
{
    std::unique_lock lock(m_shared->mutex);
    m_shared->rounds.append(newRounds);
    const auto job = std::make_shared<Shared::Job>(Shared::Kind::Save, false);
    m_shared->ask(job);
    return m_shared->wait(lock, job);
}

std::optional<scorefile::Loaded> ScoreStore::load()
{
    std::unique_lock lock(m_shared->mutex);
    const auto job = std::make_shared<Shared::Job>(Shared::Kind::Load, false);
    m_shared->ask(job);
    if (!m_shared->wait(lock, job))
        return std::nullopt;
    return job->file;
}
