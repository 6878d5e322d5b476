#include "ui/displaycheck.h"
#include "ui/fang.h"
#include "ui/firstexpose.h"
#include "ui/qtplatform.h"

#include <QApplication>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

// For bench/startup.sh: prints the wall-clock time and the CPU time used so far, in
// microseconds, and ends the program the given milliseconds later.
void reportShownAndExit(int delay)
{
    using namespace std::chrono;
    const auto wall = duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
    const auto cpu = static_cast<long long>(std::clock() * (1e6 / CLOCKS_PER_SEC));
    std::printf("%lld %lld\n", static_cast<long long>(wall), cpu);
    std::fflush(stdout);
    QTimer::singleShot(delay, [] { std::_Exit(0); });
}

} // namespace

int main(int argc, char *argv[])
{
    requireDisplay(argc, argv);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Zaplino"));
    QApplication::setApplicationVersion(QStringLiteral(ZAPLINO_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("org.example.Zaplino"));
    // Only the quit command ends the game, not the hiding of the last window.
    QApplication::setQuitOnLastWindowClosed(false);

    QtPlatform platform;
    fang window(platform);
    platform.setDialogParent(&window);
    // The start-up sequence, with its message boxes, runs once the window is on screen
    // and painted, not before it is mapped.
    const bool measuring = qEnvironmentVariableIsSet("ZAPLINO_EXIT_WHEN_SHOWN");
    FirstExpose startUp(window, [&] {
        if (measuring)
            reportShownAndExit(qEnvironmentVariableIntValue("ZAPLINO_EXIT_WHEN_SHOWN"));
        QTimer::singleShot(0, &window, &fang::Form_Activate);
    });
    window.show();
    return app.exec();
}
