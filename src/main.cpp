#include "ui/fang.h"
#include "ui/qtplatform.h"

#include <QApplication>
#include <QTimer>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Zaplino"));
    QApplication::setApplicationVersion(QStringLiteral(ZAPLINO_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("org.example.Zaplino"));
    // Only the quit command ends the game, not the hiding of the last window.
    QApplication::setQuitOnLastWindowClosed(false);

    QtPlatform platform;
    fang window(platform);
    platform.setDialogParent(&window);
    window.show();
    // The start-up sequence runs once the window is on screen.
    QTimer::singleShot(0, &window, &fang::Form_Activate);
    return app.exec();
}
