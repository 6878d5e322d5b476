// How long a click waits for its effect in the game while a save is on its way, for
// bench/share.sh: the real main window, on an X display, with the list's folder as the
// current directory. A round ends; the result box is answered at once; shortly after,
// a real X click (xdotool) lands on the high-score panel's closing label, and the time
// until the panel moves is taken. Then it waits for the round to be in the file and the
// lock to be gone, so that nothing of this run is still on its way when the next begins.
//   shareclick --name NAME [--settle-ms 1000] [--click-after-ms 10] [--bound-ms 60000]
// Prints "click <milliseconds>|none saved=0|1 failbox=0|1".

#include "game/platform.h"
#include "ui/controls.h"
#include "ui/fang.h"
#include "ui/firstexpose.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTest>
#include <QTimer>

#include <spawn.h>
#include <sys/wait.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <thread>

extern char **environ;

namespace {

qint64 nowUs()
{
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

// Answers every box at once, as a pupil who presses Enter at once would.
class AnsweringPlatform : public Platform
{
public:
    Answer messageBox(const QString &text, Buttons buttons, Icon, const QString &) override
    {
        texts.append(text);
        if (onBox)
            onBox(text);
        return buttons == Buttons::YesNo ? Answer::No : Answer::Ok;
    }
    QString inputBox(const QString &, const QString &, const QString &) override { return {}; }
    float random() override
    {
        m_state = m_state * 1103515245u + 12345u;
        return static_cast<float>((m_state >> 8) & 0xFFFFFF) / 16777216.0f;
    }
    void randomize() override {}
    void quit() override {}

    QStringList texts;
    std::function<void(const QString &)> onBox;

private:
    quint32 m_state = 20260101u;
};

// Notes when the panel first moves back to where it hides after the click.
class MoveWatch : public QObject
{
public:
    MoveWatch(QWidget *panel, int hiddenX) : m_panel(panel), m_hiddenX(hiddenX) {}
    std::atomic<qint64> clickedUs{0};
    qint64 movedUs = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_panel && event->type() == QEvent::Move && clickedUs.load() && !movedUs
            && m_panel->x() == m_hiddenX)
            movedUs = nowUs();
        return false;
    }

private:
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

    AnsweringPlatform platform;
    fang window(platform);
    MoveWatch watch(window.Bild1, window.Bild1->x());
    window.Bild1->installEventFilter(&watch);
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
    platform.onBox = [&](const QString &text) {
        if (!text.startsWith(QStringLiteral("Du hast es in")) || watch.clickedUs.load())
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

    const bool failBox = platform.texts.contains(
        QStringLiteral("Die Bestenliste konnte nicht gespeichert werden.\r"));
    if (watch.movedUs)
        std::printf("click %lld", (watch.movedUs - watch.clickedUs.load()) / 1000);
    else
        std::printf("click none");
    std::printf(" saved=%d failbox=%d\n", saved ? 1 : 0, failBox ? 1 : 0);
    return 0;
}
