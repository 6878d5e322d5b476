// The high-score list: sorted inserts into the list and its panel, and the file.
#include "roundhelpers.h"
#include "scores/highscorelist.h"
#include "scores/scoreentry.h"
#include "scores/scorefile.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QTemporaryDir>

namespace {

// Entries as finished rounds make them, in no particular order.
QStringList entries(int count)
{
    static const QString names[] = {QStringLiteral("Freund und Gast"), QStringLiteral("Jörg"),
                                    QStringLiteral("anna"), QStringLiteral("Zoë"), QStringLiteral("Max Müller")};
    QStringList result;
    quint32 x = 12345;
    for (int i = 0; i < count; ++i) {
        x = x * 1103515245u + 12345u;
        const quint32 r = x >> 8;
        result.append(scores::makeEntry(QString(1 + r % 40, u'a'), QString::number(5 + (r >> 6) % 300),
                                        QString::number(3 + (r >> 15) % 13), names[(r >> 19) % 5]));
    }
    return result;
}

void BM_HighScoreListAdd(benchmark::State &state)
{
    const QStringList input = entries(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        HighScoreList list;
        for (const QString &entry : input)
            list.add(entry);
        benchmark::DoNotOptimize(list.count());
    }
    state.SetItemsProcessed(state.iterations() * input.size());
}
BENCHMARK(BM_HighScoreListAdd)->ArgName("entries")->Arg(10000)->Unit(benchmark::kMillisecond);

// As a finished round does it: the sorted list finds the place, the panel's list
// widget takes the entry there; the panel is open, so its view lays out and paints.
void BM_HighScorePanelInsert(benchmark::State &state)
{
    const QStringList input = entries(static_cast<int>(state.range(0)));
    ScriptedPlatform platform;
    fang w(platform);
    w.show();
    w.Bild9_Click();
    QCoreApplication::processEvents();
    for (auto _ : state) {
        HighScoreList list;
        w.Liste1->clear();
        for (const QString &entry : input)
            w.Liste1->insertItem(static_cast<int>(list.add(entry)), entry);
        QCoreApplication::processEvents();
        if (w.Liste1->items() != list.entries())
            state.SkipWithError("the panel and the list differ");
    }
    state.SetItemsProcessed(state.iterations() * input.size());
}
BENCHMARK(BM_HighScorePanelInsert)->ArgName("entries")->Arg(10000)->Unit(benchmark::kMillisecond);

QString scoreFilePath()
{
    static QTemporaryDir dir;
    return dir.filePath(scorefile::FileName);
}

void BM_SaveHighScores(benchmark::State &state)
{
    HighScoreList list;
    for (const QString &entry : entries(100))
        list.add(entry);
    const QString path = scoreFilePath();
    for (auto _ : state) {
        if (!scorefile::save(path, list.entries()))
            state.SkipWithError("cannot save");
    }
}
BENCHMARK(BM_SaveHighScores)->Unit(benchmark::kMicrosecond);

void BM_LoadHighScores(benchmark::State &state)
{
    HighScoreList list;
    for (const QString &entry : entries(100))
        list.add(entry);
    const QString path = scoreFilePath();
    scorefile::save(path, list.entries());
    for (auto _ : state) {
        const scorefile::Loaded loaded = scorefile::load(path);
        if (loaded.entries.size() != 100)
            state.SkipWithError("cannot load");
    }
}
BENCHMARK(BM_LoadHighScores)->Unit(benchmark::kMicrosecond);

// A won round's save: lock, read the full file, add the round, write, unlock.
void BM_AddRoundToHighScores(benchmark::State &state)
{
    HighScoreList list;
    for (const QString &entry : entries(100))
        list.add(entry);
    const QString path = scoreFilePath();
    const QStringList round = entries(1);
    for (auto _ : state) {
        state.PauseTiming();
        scorefile::save(path, list.entries());
        state.ResumeTiming();
        if (!scorefile::addRounds(path, round))
            state.SkipWithError("cannot save");
    }
}
BENCHMARK(BM_AddRoundToHighScores)->Unit(benchmark::kMicrosecond);

} // namespace
