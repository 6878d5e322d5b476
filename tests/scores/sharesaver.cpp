// Saves won rounds into a folder the way a game does, for the shared-folder test:
//   sharesaver --dir D --tag A [--rounds N] [--first K] [--start-at EPOCH_MS]
//              [--every-ms P] [--drain-ms T]
//   sharesaver --dir D --hold-lock [--hold-ms N]
//   sharesaver --dir D --load
// Round i (from K) saves at start + i * P; its entry names the tag and the number,
// so a check can count every round in the file. A failed save keeps its rounds for
// the next one, as the game does; after the last round the kept rounds are retried
// every P ms for up to T ms. Each save prints one line:
//   save <round> ok|failed <milliseconds> unsaved=<count>
// and the end: "done saved=<rounds saved> unsaved=<count>"; exit status 0 when none
// is left unsaved. --hold-lock takes the lock, prints "holding <pid>", keeps it for N ms
// (for ever without --hold-ms, to be killed while holding it), then prints "letting go"
// and lets it go.
// --load reads the list as the window does when it becomes active and prints
// "load ok|failed <milliseconds> entries=<count>".
// --in-folder works in D by the list's bare name, as the game does in its folder; without
// it the path is D's, so that a folder that cannot be entered fails in the store's bounds.

#include "scores/scoreentry.h"
#include "scores/folderlock.h"
#include "scores/scorefile.h"
#include "scores/scorestore.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>

namespace {

// The save code under test; everything that changes with it stays in this block.
// The store keeps the rounds whose save failed for the next save, as in the game.
std::unique_ptr<ScoreStore> store;

bool saveRounds(const QString &path, const QStringList &rounds)
{
    if (!store)
        store = std::make_unique<ScoreStore>(path);
    return store->save(rounds);
}

qsizetype unsavedCount()
{
    return store ? store->unsaved().size() : 0;
}

bool loadList(const QString &path, qsizetype *entries)
{
    ScoreStore reader(path);
    const std::optional<scorefile::Loaded> loaded = reader.load();
    *entries = loaded ? loaded->entries.size() : 0;
    return loaded && !loaded->failed;
}

void say(const QString &line);

// Takes the lock as a save does and keeps it for the time given, for ever without one;
// false when it was not had in time.
bool holdLock(const QString &path, std::optional<qint64> ms)
{
    const scorefile::Lock lock;
    FolderLock folder(path + QStringLiteral(".lock"), lock.staleMs);
    if (!folder.tryLock(lock.waitMs))
        return false;
    say(QStringLiteral("holding %1").arg(QCoreApplication::applicationPid()));
    // A game at work under the lock shows that it lives.
    QElapsedTimer held;
    held.start();
    while (!ms || held.elapsed() < *ms) {
        QThread::msleep(static_cast<unsigned long>(std::clamp<qint64>(ms ? *ms - held.elapsed() : 500, 1, 500)));
        folder.keepAlive();
    }
    // Said before the lock goes, and nothing after: a save that waited for it ends later.
    say(QStringLiteral("letting go"));
    folder.unlock();
    return true;
}

void say(const QString &line)
{
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

void sleepUntil(qint64 epochMs)
{
    const qint64 wait = epochMs - QDateTime::currentMSecsSinceEpoch();
    if (wait > 0)
        QThread::msleep(static_cast<unsigned long>(wait));
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments();
    args.removeFirst();
    QString dir, tag = QStringLiteral("A");
    int rounds = 20, first = 1;
    qint64 startAt = 0, everyMs = 0, drainMs = 0;
    std::optional<qint64> holdMs;
    bool hold = false, load = false, inFolder = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &a = args.at(i);
        const QString value = i + 1 < args.size() ? args.at(i + 1) : QString();
        bool used = true;
        if (a == u"--dir") dir = value;
        else if (a == u"--tag") tag = value;
        else if (a == u"--rounds") rounds = value.toInt();
        else if (a == u"--first") first = value.toInt();
        else if (a == u"--start-at") startAt = value.toLongLong();
        else if (a == u"--every-ms") everyMs = value.toLongLong();
        else if (a == u"--drain-ms") drainMs = value.toLongLong();
        else if (a == u"--hold-ms") holdMs = value.toLongLong();
        else if (a == u"--hold-lock") { hold = true; used = false; }
        else if (a == u"--load") { load = true; used = false; }
        else if (a == u"--in-folder") { inFolder = true; used = false; }
        else {
            say(QStringLiteral("unknown argument ") + a);
            return 2;
        }
        if (used)
            ++i;
    }
    if (dir.isEmpty()) {
        say(QStringLiteral("--dir is needed"));
        return 2;
    }
    if (inFolder && !QDir::setCurrent(dir)) {
        say(QStringLiteral("cannot enter ") + dir);
        return 2;
    }
    const QString path = inFolder ? scorefile::FileName : QDir(dir).filePath(scorefile::FileName);
    if (startAt == 0)
        startAt = QDateTime::currentMSecsSinceEpoch();

    if (hold) {
        sleepUntil(startAt);
        if (holdLock(path, holdMs))
            return 0;
        say(QStringLiteral("lock not had"));
        return 1;
    }

    if (load) {
        QElapsedTimer clock;
        clock.start();
        qsizetype entries = 0;
        const bool ok = loadList(path, &entries);
        say(QStringLiteral("load %1 %2 entries=%3")
                .arg(ok ? QStringLiteral("ok") : QStringLiteral("failed"))
                .arg(clock.elapsed())
                .arg(entries));
        return ok ? 0 : 1;
    }

    int saved = 0;
    auto saveAndSay = [&](const QString &label, const QStringList &newRounds) {
        QElapsedTimer clock;
        clock.start();
        const qsizetype before = unsavedCount() + newRounds.size();
        const bool ok = saveRounds(path, newRounds);
        if (ok)
            saved += before;
        say(QStringLiteral("save %1 %2 %3 unsaved=%4")
                .arg(label, ok ? QStringLiteral("ok") : QStringLiteral("failed"))
                .arg(clock.elapsed())
                .arg(unsavedCount()));
    };
    for (int r = 0; r < rounds; ++r) {
        const int number = first + r;
        sleepUntil(startAt + r * everyMs);
        // Word length and seconds vary so that the rounds land all over the sorted list.
        const QString word = QString(3 + number % 9, QLatin1Char('x'));
        const QString entry = scores::makeEntry(word, QString::number(number % 57),
                                                QStringLiteral("3"),
                                                QStringLiteral("%1-%2").arg(tag).arg(number, 4, 10, QLatin1Char('0')));
        saveAndSay(QString::number(number), {entry});
    }
    const qint64 drainEnd = QDateTime::currentMSecsSinceEpoch() + drainMs;
    while (unsavedCount() > 0 && QDateTime::currentMSecsSinceEpoch() < drainEnd) {
        QThread::msleep(static_cast<unsigned long>(std::max<qint64>(everyMs, 500)));
        saveAndSay(QStringLiteral("retry"), {});
    }
    say(QStringLiteral("done saved=%1 unsaved=%2").arg(saved).arg(unsavedCount()));
    return unsavedCount() == 0 ? 0 : 1;
}
