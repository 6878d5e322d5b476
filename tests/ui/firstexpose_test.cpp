#include "ui/firstexpose.h"
#include "ui/qtplatform.h"

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <QWindow>

class FirstExposeTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void firesOnlyAtTheFirstExpose_data();
    void firesOnlyAtTheFirstExpose();
};

void FirstExposeTest::cleanup()
{
    QVERIFY(QApplication::topLevelWidgets().isEmpty());
}

void FirstExposeTest::firesOnlyAtTheFirstExpose_data()
{
    QTest::addColumn<QString>("then");
    QTest::newRow("not when uncovered later") << "uncovered";
    QTest::newRow("not when active again after a message box") << "box";
    QTest::newRow("not when hidden and shown again") << "shown again";
}

void FirstExposeTest::firesOnlyAtTheFirstExpose()
{
    QFETCH(QString, then);
    QWidget window;
    int fired = 0;
    FirstExpose startUp(window, [&] { ++fired; });
    QCoreApplication::processEvents();
    QCOMPARE(fired, 0);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QCOMPARE(fired, 1);

    if (then == QLatin1String("uncovered")) {
        QExposeEvent uncovered(QRegion(window.rect()));
        QCoreApplication::sendEvent(window.windowHandle(), &uncovered);
    } else if (then == QLatin1String("box")) {
        QtPlatform platform;
        platform.setDialogParent(&window);
        QTimer::singleShot(0, [] { QApplication::activeModalWidget()->close(); });
        platform.messageBox(QStringLiteral("Dieses Spiel jetzt beenden?\r"), Platform::Buttons::YesNo,
                            Platform::Icon::Stop, QStringLiteral("Zaplino"));
        // The window manager hands the focus back to the window.
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
    } else {
        window.hide();
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
    }
    QTest::qWait(50);
    QCOMPARE(fired, 1);
}

QTEST_MAIN(FirstExposeTest)
#include "firstexpose_test.moc"
