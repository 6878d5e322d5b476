// How long a click waits for its effect in the game while a save is on its way, for
// bench/share.sh: the real main window, on an X display, with the list's folder as the
// current directory. A round ends; the result box is answered at once; shortly after,
// a real X click (xdotool) lands on the high-score panel's closing label, and the time
// from the press's arrival at the X server until the panel moves is taken. Then it
// waits for the round to be in the file and the lock to be gone, so that nothing of
// this run is still on its way when the next begins.
//   shareclick --name NAME [--settle-ms 1000] [--click-after-ms 10] [--bound-ms 60000]
// Prints "click <milliseconds>|none saved=0|1 failbox=0|1".

#include "scriptedplatform.h"
#include "ui/controls.h"
#include "ui/fang.h"
#include "ui/firstexpose.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMouseEvent>
#include <QTest>

#include <spawn.h>
#include <sys/wait.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

extern char **environ;

namespace {

qint64 nowUs()
{
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

// Notes when the click reached the X server and when the panel first moves back to
// where it hides after it.
class ClickWatch : public QObject
{
public:
    ClickWatch(QWidget *label, QWidget *panel, int hiddenX)
        : m_label(label), m_panel(panel), m_hiddenX(hiddenX)
    {
    }
    std::atomic<qint64> clickedUs{0};
    // The press's X time stamp: Xvfb stamps events with the monotonic clock in
    // milliseconds, cut to 32 bits; 0 while none came.
    quint32 pressedMs = 0;
    qint64 movedUs = 0;

    // From the press (from the start of the clicking helper when no press came) to the move.
    qint64 waitMs() const
    {
        if (!pressedMs)
            return (movedUs - clickedUs.load()) / 1000;
        return static_cast<qint32>(static_cast<quint32>(movedUs / 1000) - pressedMs);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (!clickedUs.load())
            return false;
        if (watched == m_label && event->type() == QEvent::MouseButtonPress && !pressedMs)
            pressedMs = static_cast<quint32>(static_cast<QInputEvent *>(event)->timestamp());
        if (watched == m_panel && event->type() == QEvent::Move && !movedUs && m_panel->x() == m_hiddenX)
            movedUs = nowUs();
        return false;
    }

private:
    QWidget *m_label;
    QWidget *m_panel;
    int m_hiddenX;
};

// A real click, through the X server, from a thread of its own: the window's thread
// may be busy with the save.
void clickLater(QPoint at, int afterMs, std::atomic<qint64> *clickedUs)
{
    std::thread([at, afterMs, clickedUs] {
        std::this_thread::sleep_for(std::chrono::milliseconds(afterMs));
        const std::string x = std::to_string(at.x()), y = std::to_string(at.y());
        const char *argv[] = {"xdotool", "mousemove", x.c_str(), y.c_str(), "click", "1", nullptr};
        // Taken before the helper starts: its start-up counts against the window.
        clickedUs->store(nowUs());
        pid_t pid;
        if (posix_spawnp(&pid, "xdotool", nullptr, nullptr, const_cast<char **>(argv), environ) == 0)
            waitpid(pid, nullptr, 0);
    }).detach();
}

bool fileHolds(const QString &name)
{
    QFile file(scorefile::FileName);
    return file.open(QIODevice::ReadOnly) && file.readAll().contains(name.toLatin1());
}

bool lockGone()
{
    return QDir().entryList({scorefile::FileName + QStringLiteral(".lock*")},
                            QDir::AllEntries | QDir::Hidden | QDir::System).isEmpty();
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QString name = QStringLiteral("klick");
    int settleMs = 1000, clickAfterMs = 10, boundMs = 60000;
    const QStringList args = app.arguments();
    for (qsizetype i = 1; i + 1 < args.size(); i += 2) {
        const QString &a = args.at(i);
        if (a == u"--name") name = args.at(i + 1);
        else if (a == u"--settle-ms") settleMs = args.at(i + 1).toInt();
        else if (a == u"--click-after-ms") clickAfterMs = args.at(i + 1).toInt();
        else if (a == u"--bound-ms") boundMs = args.at(i + 1).toInt();
        else {
            std::fprintf(stderr, "unknown argument %s\n", qPrintable(a));
            return 2;
        }
    }

    // Every box is answered at once, as by a pupil who presses Enter at once.
    ScriptedPlatform platform;
    fang window(platform);
    ClickWatch watch(window.Bezeichnung20, window.Bild1, window.Bild1->x());
    window.Bild1->installEventFilter(&watch);
    window.Bezeichnung20->installEventFilter(&watch);
    bool shown = false;
    FirstExpose expose(window, [&] { shown = true; });
    window.show();
    if (!QTest::qWaitFor([&] { return shown; }, 20000)) {
        std::fprintf(stderr, "the window was not shown\n");
        return 1;
    }
    // As the game starts: the list is read, a first word chosen; then whatever the
    // activation started in the background has time to end.
    window.Form_Activate();
    QTest::qWait(settleMs);

    window.Bezeichnung4->setText(QStringLiteral("Hase"));
    window.Bezeichnung6->setText(QStringLiteral("37"));
    window.Bezeichnung14->setText(name);
    platform.whileBoxOpen = [&](const ScriptedPlatform::Box &box) {
        if (!box.text.startsWith(QStringLiteral("Du hast es in")) || watch.clickedUs.load())
            return;
        // The round's end opened the panel before the box.
        const QPoint at = window.Bezeichnung20->mapToGlobal(window.Bezeichnung20->rect().center());
        clickLater(at, clickAfterMs, &watch.clickedUs);
    };
    window.FinishRound();
    static_cast<void>(QTest::qWaitFor([&] { return watch.movedUs != 0; }, boundMs));

    // Polled gently: every look is a round trip on a share.
    QElapsedTimer sinceLook;
    sinceLook.start();
    bool saved = false;
    static_cast<void>(QTest::qWaitFor([&] {
        if (sinceLook.elapsed() < 250)
            return false;
        sinceLook.restart();
        saved = fileHolds(name) && lockGone();
        return saved;
    }, boundMs));

    const bool failBox = platform.texts().contains(
        QStringLiteral("Die Bestenliste konnte nicht gespeichert werden.\r"));
    if (watch.pressedMs)
        std::fprintf(stderr, "the press reached the X server %d ms after the helper started\n",
                     static_cast<qint32>(watch.pressedMs - static_cast<quint32>(watch.clickedUs.load() / 1000)));
    if (watch.movedUs)
        std::printf("click %lld", watch.waitMs());
    else
        std::printf("click none");
    std::printf(" saved=%d failbox=%d\n", saved ? 1 : 0, failBox ? 1 : 0);
    return 0;
}
