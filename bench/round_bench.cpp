// The round as the player feels it: a key to the repainted field, a reshuffle tick,
// and the scatter on its own.
#include "roundhelpers.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QTest>

namespace {

QString wordOf(int length)
{
    QString word;
    for (int i = 0; i < length; ++i)
        word += QChar(u'a' + i % 26);
    return word;
}

// Counts the paint events of all widgets, to report how much one step repaints.
class PaintCounter : public QObject
{
public:
    PaintCounter() { qApp->installEventFilter(this); }
    ~PaintCounter() override { qApp->removeEventFilter(this); }
    int paints = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

// A shown, active game window: its paints reach the offscreen backing store.
void showWindow(fang &w)
{
    w.show();
    w.activateWindow();
    if (!QTest::qWaitForWindowExposed(&w) || !QTest::qWaitForWindowActive(&w))
        qFatal("the game window was not shown");
}

// Brings every pending update to the screen, as the event loop does after a key.
void flushPaints()
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

void pressKey(int key)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(QApplication::focusWidget(), &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QApplication::sendEvent(QApplication::focusWidget(), &release);
}

// The path a real key takes: key event, key preview, Form_KeyDown, the move, and the
// repaint of the field (forced in full) and of whatever else changed.
void BM_KeyToRepaintedField(benchmark::State &state)
{
    const bool catching = state.range(0) != 0;
    ScriptedPlatform platform;
    fang w(platform);
    showWindow(w);
    const QString word = QStringLiteral("Quendolin");
    // With a catch: the letters lie in a line to the right of the start cell, so
    // each Right key catches one; the ninth would end the round, so restart before it.
    const QList<QPoint> inLine = {{10, 6}, {11, 6}, {12, 6}, {13, 6}, {14, 6}, {15, 6}, {16, 6}, {17, 6}, {17, 7}};
    // Without: the letters lie in the top row, the marker steps right and left below.
    const QList<QPoint> topRow = {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}, {5, 0}, {6, 0}, {7, 0}, {8, 0}};
    auto restart = [&] {
        w.Zeit1->stop();
        startRound(w, platform, word, catching ? inLine : topRow);
        w.Bild5->setFocus();
        flushPaints();
    };
    restart();
    PaintCounter counter;
    int step = 0;
    for (auto _ : state) {
        if (catching && step == 8) {
            state.PauseTiming();
            restart();
            step = 0;
            state.ResumeTiming();
        }
        const int key = catching || step % 2 == 0 ? Qt::Key_Right : Qt::Key_Left;
        pressKey(key);
        w.Bild5->update();
        flushPaints();
        ++step;
    }
    if (catching && w.Bezeichnung4->text().isEmpty())
        state.SkipWithError("no letter was caught");
    state.counters["paints"] = benchmark::Counter(counter.paints, benchmark::Counter::kAvgIterations);
    w.Zeit1->stop();
}
BENCHMARK(BM_KeyToRepaintedField)->ArgName("catch")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// A tick on which the letters jump, with the repaint that follows it.
void BM_ReshuffleTick(benchmark::State &state)
{
    ScriptedPlatform platform;
    fang w(platform);
    showWindow(w);
    startRound(w, platform, wordOf(static_cast<int>(state.range(0))));
    flushPaints();
    const int period = w.HBildlauf1->value();
    PaintCounter counter;
    for (auto _ : state) {
        state.PauseTiming();
        w.Bezeichnung6->setText(QString::number(period - 1));
        state.ResumeTiming();
        w.Zeit1_Timer();
        flushPaints();
    }
    state.counters["paints"] = benchmark::Counter(counter.paints, benchmark::Counter::kAvgIterations);
    w.Zeit1->stop();
}
BENCHMARK(BM_ReshuffleTick)->ArgName("letters")->Arg(9)->Arg(100)->Unit(benchmark::kMicrosecond);

// A tick on which nothing jumps: only the seconds should change.
void BM_QuietTick(benchmark::State &state)
{
    ScriptedPlatform platform;
    fang w(platform);
    showWindow(w);
    startRound(w, platform, QStringLiteral("Quendolin"));
    flushPaints();
    PaintCounter counter;
    for (auto _ : state) {
        state.PauseTiming();
        w.Bezeichnung6->setText(QStringLiteral("1"));
        flushPaints();
        counter.paints = 0;
        state.ResumeTiming();
        w.Zeit1_Timer();
        flushPaints();
    }
    state.counters["paints"] = counter.paints;
    w.Zeit1->stop();
}
BENCHMARK(BM_QuietTick)->Unit(benchmark::kMicrosecond);

// The scatter alone: drawing the cells and printing the letters on the canvas.
void BM_ScatterLetters(benchmark::State &state)
{
    ScriptedPlatform platform;
    fang w(platform);
    startRound(w, platform, wordOf(static_cast<int>(state.range(0))));
    for (auto _ : state) {
        w.ClearBoard();
        w.ScatterLetters();
    }
    w.Zeit1->stop();
}
BENCHMARK(BM_ScatterLetters)->ArgName("letters")->Arg(9)->Arg(100)->Unit(benchmark::kMicrosecond);

// The whole window painted again with all its controls, as when another window
// stops covering it.
void BM_PaintWholeWindow(benchmark::State &state)
{
    ScriptedPlatform platform;
    fang w(platform);
    showWindow(w);
    startRound(w, platform, QStringLiteral("Quendolin"));
    flushPaints();
    QImage image(w.size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state)
        w.render(&image);
    w.Zeit1->stop();
}
BENCHMARK(BM_PaintWholeWindow)->Unit(benchmark::kMicrosecond);

} // namespace
