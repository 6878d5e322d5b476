// The floor for start-up time and memory: an empty Qt Widgets window as large as the
// game's, with the same ZAPLINO_EXIT_WHEN_SHOWN report as the game's main.cpp.
#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <cstdlib>

class ExitWhenShown : public QObject
{
public:
    explicit ExitWhenShown(int delay) : m_delay(delay) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Expose && static_cast<QWindow *>(watched)->isExposed()) {
            watched->removeEventFilter(this);
            using namespace std::chrono;
            const auto wall = duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
            const auto cpu = static_cast<long long>(std::clock() * (1e6 / CLOCKS_PER_SEC));
            std::printf("%lld %lld\n", static_cast<long long>(wall), cpu);
            std::fflush(stdout);
            QTimer::singleShot(m_delay, [] { std::_Exit(0); });
        }
        return false;
    }

private:
    int m_delay;
};

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.setFixedSize(546, 402);
    ExitWhenShown exitWhenShown(qEnvironmentVariableIntValue("ZAPLINO_EXIT_WHEN_SHOWN"));
    if (qEnvironmentVariableIsSet("ZAPLINO_EXIT_WHEN_SHOWN")) {
        window.winId();
        window.windowHandle()->installEventFilter(&exitWhenShown);
    }
    window.show();
    return app.exec();
}
