// The floor for start-up time and memory: an empty Qt Widgets window as large as the
// game's, with the same ZAPLINO_EXIT_WHEN_SHOWN report as the game's main.cpp.
#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <chrono>
#include <cstdio>
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
            const auto now = std::chrono::system_clock::now().time_since_epoch();
            std::printf("%lld\n", static_cast<long long>(std::chrono::duration_cast<std::chrono::microseconds>(now).count()));
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
