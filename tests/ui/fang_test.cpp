#include "scriptedplatform.h"
#include "ui/controls.h"
#include "ui/fang.h"
#include "ui/filepanel.h"
#include "ui/windowplacement.h"

#include <QScrollBar>
#include <QTest>
#include <QTimer>

class FangTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void window();
    void controlGeometry_data();
    void controlGeometry();
    void initialState();
    void centring_data();
    void centring();
    void arrowKeyOnScrollBarReachesKeyHandlerAndBar();
    void keyPreviewSeesKeysOfTheFieldOnce();
    void canvasKeepsWhatWasPrinted();
    void clickingControlsRunsTheirHandlers();
};

void FangTest::cleanup()
{
    QVERIFY(QApplication::topLevelWidgets().isEmpty());
}

void FangTest::window()
{
    ScriptedPlatform platform;
    fang w(platform);
    QCOMPARE(w.windowTitle(), QStringLiteral("Zaplino"));
    QCOMPARE(w.size(), QSize(546, 402));
    QCOMPARE(w.minimumSize(), w.maximumSize());
    QVERIFY(!(w.windowFlags() & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(w.windowFlags() & Qt::WindowMaximizeButtonHint));
    QCOMPARE(w.palette().color(QPalette::Window), QColor(0xFF, 0xE0, 0xC0));
    QVERIFY(!w.windowIcon().isNull());
}

void FangTest::controlGeometry_data()
{
    QTest::addColumn<QString>("name");
    // 15 twips a pixel; children of a bordered box lie inside its one-pixel border.
    QTest::addColumn<QRect>("pixels");
    const QList<QPair<QString, QRect>> table = {
        {"Figur2", {0, 0, 49, 401}},            {"Bild2", {8, 8, 33, 33}},
        {"Bild3", {8, 56, 33, 33}},             {"Bild7", {8, 104, 33, 33}},
        {"Bild10", {8, 152, 33, 33}},           {"Bild6", {8, 200, 33, 33}},
        {"Bild9", {8, 248, 33, 33}},            {"Bild4", {8, 296, 33, 33}},
        {"Bild8", {8, 344, 33, 33}},            {"Shape1", {48, 0, 497, 401}},
        {"Figur4", {64, 8, 145, 33}},           {"Bezeichnung14", {72, 16, 129, 17}},
        {"Figur3", {216, 8, 73, 33}},           {"Bezeichnung6", {224, 16, 33, 17}},
        {"Bezeichnung7", {256, 16, 31, 17}},    {"Figur1", {296, 8, 209, 33}},
        {"Bezeichnung1", {304, 16, 49, 17}},    {"HBildlauf1", {352, 16, 89, 17}},
        {"Bezeichnung2", {448, 16, 49, 17}},    {"Figur5", {504, 8, 33, 33}},
        {"Bezeichnung15", {512, 16, 17, 17}},   {"Bild5", {64, 48, 473, 305}},
        {"Figur6", {64, 360, 473, 33}},         {"Bezeichnung4", {64, 360, 233, 33}},
        {"Bezeichnung3", {296, 360, 33, 33}},   {"Bezeichnung5", {328, 360, 209, 33}},
        {"Bild11", {48, 0, 497, 401}},          {"Laufwerk1", {16, 8, 465, 24}},
        {"Verzeichnis1", {16, 42, 465, 132}},   {"Datei1", {16, 184, 465, 210}},
        {"Bild1", {560, 56, 361, 289}},         {"Bezeichnung17", {9, 1, 345, 17}},
        {"Bezeichnung12", {9, 25, 345, 17}},    {"Liste1", {9, 41, 345, 218}},
        {"Bezeichnung20", {9, 265, 345, 25}},   {"Bezeichnung9", {592, 8, 33, 25}},
        {"Bezeichnung10", {560, 368, 265, 25}}, {"Bezeichnung11", {624, 8, 305, 25}},
        {"List1", {744, 40, 185, 338}},         {"Bezeichnung8", {233, 265, 17, 25}},
    };
    for (const auto &[name, rect] : table)
        QTest::newRow(qPrintable(name)) << name << rect;
}

static QWidget *control(fang &w, const QString &name)
{
    const QHash<QString, QWidget *> controls = {
        {"Figur2", w.Figur2}, {"Bild2", w.Bild2}, {"Bild3", w.Bild3}, {"Bild7", w.Bild7},
        {"Bild10", w.Bild10}, {"Bild6", w.Bild6}, {"Bild9", w.Bild9}, {"Bild4", w.Bild4},
        {"Bild8", w.Bild8}, {"Shape1", w.Shape1}, {"Figur4", w.Figur4}, {"Bezeichnung14", w.Bezeichnung14},
        {"Figur3", w.Figur3}, {"Bezeichnung6", w.Bezeichnung6}, {"Bezeichnung7", w.Bezeichnung7},
        {"Figur1", w.Figur1}, {"Bezeichnung1", w.Bezeichnung1}, {"HBildlauf1", w.HBildlauf1},
        {"Bezeichnung2", w.Bezeichnung2}, {"Figur5", w.Figur5}, {"Bezeichnung15", w.Bezeichnung15},
        {"Bild5", w.Bild5}, {"Figur6", w.Figur6}, {"Bezeichnung4", w.Bezeichnung4},
        {"Bezeichnung3", w.Bezeichnung3}, {"Bezeichnung5", w.Bezeichnung5}, {"Bild11", w.Bild11},
        {"Laufwerk1", w.Laufwerk1}, {"Verzeichnis1", w.Verzeichnis1}, {"Datei1", w.Datei1},
        {"Bild1", w.Bild1}, {"Bezeichnung17", w.Bezeichnung17}, {"Bezeichnung12", w.Bezeichnung12},
        {"Liste1", w.Liste1}, {"Bezeichnung20", w.Bezeichnung20}, {"Bezeichnung9", w.Bezeichnung9},
        {"Bezeichnung10", w.Bezeichnung10}, {"Bezeichnung11", w.Bezeichnung11}, {"List1", w.List1},
        {"Bezeichnung8", w.Bezeichnung8},
    };
    return controls.value(name);
}

void FangTest::controlGeometry()
{
    QFETCH(QString, name);
    QFETCH(QRect, pixels);
    ScriptedPlatform platform;
    fang w(platform);
    QWidget *c = control(w, name);
    QVERIFY(c);
    QCOMPARE(c->geometry(), pixels);
}

void FangTest::initialState()
{
    ScriptedPlatform platform;
    fang w(platform);
    QCOMPARE(w.Bezeichnung14->text(), QStringLiteral("Freund und Gast"));
    QCOMPARE(w.Bezeichnung6->text(), QStringLiteral("0"));
    QCOMPARE(w.Bezeichnung7->text(), QStringLiteral(" Sek"));
    QCOMPARE(w.Bezeichnung1->text(), QStringLiteral("schnell"));
    QCOMPARE(w.Bezeichnung2->text(), QStringLiteral("langsam"));
    QCOMPARE(w.Bezeichnung15->text(), QStringLiteral("10"));
    QCOMPARE(w.Bezeichnung9->text(), QStringLiteral("Bezeichnung9"));
    QCOMPARE(w.Bezeichnung17->text(), QStringLiteral("B e s t e n l i s t e"));
    QCOMPARE(w.Bezeichnung12->text(), QStringLiteral("Wort Zeit Diff Benutzername"));
    QCOMPARE(w.Bezeichnung20->text(), QStringLiteral(">>  Das Fenster hier mit einem Klick schließen  <<"));
    QCOMPARE(w.Bezeichnung8->text(), QStringLiteral("+"));
    QVERIFY(w.Bezeichnung8->isHidden());
    QVERIFY(w.Bild11->isHidden());
    QVERIFY(!w.Zeit1->isActive());
    QCOMPARE(w.Zeit1->interval(), 1000);
    QCOMPARE(w.HBildlauf1->minimum(), 3);
    QCOMPARE(w.HBildlauf1->maximum(), 15);
    QCOMPARE(w.HBildlauf1->value(), 10);
    QCOMPARE(w.HBildlauf1->singleStep(), 1);
    QCOMPARE(w.HBildlauf1->pageStep(), 1);
    for (PictureBox *b : {w.Bild2, w.Bild3, w.Bild7, w.Bild10, w.Bild6, w.Bild9, w.Bild4, w.Bild8})
        QVERIFY(!b->picture().isEmpty() && !b->toolTip().isEmpty());
    QCOMPARE(w.Bild9->toolTip(), QStringLiteral("Bestenliste"));
    QCOMPARE(w.Bild8->toolTip(), QStringLiteral("Copyright"));
    // Everything starts zero or empty.
    QVERIFY(w.MODUL1.CurrentWord.isEmpty());
    QCOMPARE(w.MODUL1.PlayerX, 0);
    QCOMPARE(w.MODUL1.LetterX[100], 0);
}

void FangTest::centring_data()
{
    QTest::addColumn<QSize>("screen");
    QTest::addColumn<QSize>("window");
    QTest::addColumn<float>("topDivisor");
    QTest::addColumn<QPoint>("origin");
    QTest::newRow("centred on a large screen") << QSize(1280, 1024) << QSize(546, 402) << 2.0f << QPoint(367, 311);
    QTest::newRow("odd difference rounds") << QSize(1025, 769) << QSize(546, 402) << 2.0f << QPoint(240, 184);
    QTest::newRow("small screen gives negative origin") << QSize(400, 300) << QSize(546, 402) << 2.0f
                                                        << QPoint(-73, -51);
    QTest::newRow("info window at a quarter height") << QSize(1280, 1024) << QSize(235, 243) << 4.0f
                                                     << QPoint(523, 195);
}

void FangTest::centring()
{
    QFETCH(QSize, screen);
    QFETCH(QSize, window);
    QFETCH(float, topDivisor);
    QFETCH(QPoint, origin);
    QCOMPARE(windowOrigin(screen, window, 2.0f, topDivisor), origin);
}

void FangTest::arrowKeyOnScrollBarReachesKeyHandlerAndBar()
{
    ScriptedPlatform platform;
    fang w(platform);
    w.List1->setItems({QStringLiteral("Ei")});
    w.NextWord();
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    w.Bild5_Click();
    w.HBildlauf1->setFocus();
    const int x = w.MODUL1.PlayerX;
    QTest::keyClick(w.HBildlauf1, Qt::Key_Left);
    QCOMPARE(w.MODUL1.PlayerX, x - 1);
    QCOMPARE(w.HBildlauf1->value(), 9);
    QCOMPARE(w.Bezeichnung15->text(), QStringLiteral("9"));
    // The change handed the focus to the field: the next key only moves the marker.
    QCOMPARE(QApplication::focusWidget(), w.Bild5);
    QTest::keyClick(w.Bild5, Qt::Key_Right);
    QCOMPARE(w.MODUL1.PlayerX, x);
    QCOMPARE(w.HBildlauf1->value(), 9);
    w.Zeit1->stop();
}

void FangTest::keyPreviewSeesKeysOfTheFieldOnce()
{
    ScriptedPlatform platform;
    fang w(platform);
    w.List1->setItems({QStringLiteral("Ei")});
    w.NextWord();
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    w.Bild5_Click();
    w.Bild5->setFocus();
    const int y = w.MODUL1.PlayerY;
    // The field passes keys on to the window; the move must still happen once.
    QTest::keyClick(w.Bild5, Qt::Key_Up, Qt::ShiftModifier);
    QCOMPARE(w.MODUL1.PlayerY, y - 1);
    QTest::keyClick(w.Bild5, Qt::Key_A);
    QCOMPARE(w.MODUL1.PlayerY, y - 1);
    w.Zeit1->stop();
}

void FangTest::canvasKeepsWhatWasPrinted()
{
    ScriptedPlatform platform;
    fang w(platform);
    // Each printed line moves down by the height of the field's font.
    const int line = 15 * w.Bild5->fontMetrics().height();
    QVERIFY(line > 0);
    w.Bild5->setTextPosition(800, 1200);
    w.Bild5->printLine(QStringLiteral("Q"));
    w.Bild5->printLine(QStringLiteral("u"));
    QCOMPARE(w.Bild5->canvas().items(),
             (QList<PrintedText>{{800, 1200, QStringLiteral("Q")}, {0, 1200 + line, QStringLiteral("u")}}));
    QCOMPARE(w.Bild5->canvas().y(), 1200 + 2 * line);
    w.Bild5->clear();
    QVERIFY(w.Bild5->canvas().items().isEmpty());
    QCOMPARE(w.Bild5->canvas().x(), 0);
    QCOMPARE(w.Bild5->canvas().y(), 0);
}

void FangTest::clickingControlsRunsTheirHandlers()
{
    ScriptedPlatform platform;
    fang w(platform);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QTest::mouseClick(w.Bild4, Qt::LeftButton);
    QCOMPARE(platform.boxes.size(), 1);
    QCOMPARE(platform.boxes.last().title, QStringLiteral("Zaplino"));
    // Labels and shapes have no handlers.
    QTest::mouseClick(w.Bezeichnung14, Qt::LeftButton);
    QCOMPARE(platform.boxes.size(), 1);
}

QTEST_MAIN(FangTest)
#include "fang_test.moc"
