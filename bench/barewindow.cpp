// The floor for start-up time and memory: an empty Qt Widgets window as large as the game's.
#include <QApplication>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.setFixedSize(546, 402);
    window.show();
    return app.exec();
}
