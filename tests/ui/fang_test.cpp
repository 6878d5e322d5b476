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
    void hiddenControlsLieOutsideTheClientArea();
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
    QTest::addColumn<QRect>("twips");
    const QList<QPair<QString, QRect>> table = {
        {"Figur2", {0, 0, 735, 6015}},           {"Bild2", {120, 120, 495, 495}},
        {"Bild3", {120, 840, 495, 495}},         {"Bild7", {120, 1560, 495, 495}},
        {"Bild10", {120, 2280, 495, 495}},       {"Bild6", {120, 3000, 495, 495}},
        {"Bild9", {120, 3720, 495, 495}},        {"Bild4", {120, 4440, 495, 495}},
        {"Bild8", {120, 5160, 495, 495}},        {"Shape1", {720, 0, 7455, 6015}},
        {"Figur4", {960, 120, 2175, 495}},       {"Bezeichnung14", {1080, 240, 1935, 255}},
        {"Figur3", {3240, 120, 1095, 495}},      {"Bezeichnung6", {3360, 240, 495, 255}},
        {"Bezeichnung7", {3840, 240, 465, 255}}, {"Figur1", {4440, 120, 3135, 495}},
        {"Bezeichnung1", {4560, 240, 735, 255}}, {"HBildlauf1", {5280, 240, 1335, 255}},
        {"Bezeichnung2", {6720, 240, 735, 255}}, {"Figur5", {7560, 120, 495, 495}},
        {"Bezeichnung15", {7680, 240, 255, 255}}, {"Bild5", {960, 720, 7095, 4575}},
        {"Figur6", {960, 5400, 7095, 495}},      {"Bezeichnung4", {960, 5400, 3495, 495}},
        {"Bezeichnung3", {4440, 5400, 495, 495}}, {"Bezeichnung5", {4920, 5400, 3135, 495}},
        {"Bild11", {720, 0, 7455, 6015}},        {"Laufwerk1", {240, 120, 6975, 360}},
        {"Verzeichnis1", {240, 630, 6975, 1980}}, {"Datei1", {240, 2760, 6975, 3150}},
        {"Bild1", {8400, 840, 5415, 4335}},      {"Bezeichnung17", {120, 0, 5175, 255}},
        {"Bezeichnung12", {120, 360, 5175, 255}}, {"Liste1", {120, 600, 5175, 3270}},
        {"Bezeichnung20", {120, 3960, 5175, 375}}, {"Bezeichnung9", {8880, 120, 495, 375}},
        {"Bezeichnung10", {8400, 5520, 3975, 375}}, {"Bezeichnung11", {9360, 120, 4575, 375}},
        {"List1", {11160, 600, 2775, 5070}},     {"Bezeichnung8", {3480, 3960, 255, 375}},
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
    QFETCH(QRect, twips);
    ScriptedPlatform platform;
    fang w(platform);
    QWidget *c = control(w, name);
    QVERIFY(c);
    // Children of a bordered box are laid out inside its border.
    QPoint origin;
    if (auto *box = qobject_cast<PictureBox *>(c->parentWidget()))
        origin = box->contentOrigin();
    const QRect expected = twipsRect(twips.x(), twips.y(), twips.width(), twips.height()).translated(origin);
    QCOMPARE(c->geometry(), expected);
}

void FangTest::hiddenControlsLieOutsideTheClientArea()
{
    ScriptedPlatform platform;
    fang w(platform);
    for (QWidget *c : {static_cast<QWidget *>(w.Bezeichnung9), static_cast<QWidget *>(w.Bezeichnung10),
                       static_cast<QWidget *>(w.Bezeichnung11), static_cast<QWidget *>(w.List1),
                       static_cast<QWidget *>(w.Bild1)}) {
        QVERIFY2(c->x() >= w.width(), qPrintable(c->metaObject()->className()));
    }
    // They still hold values.
    QCOMPARE(w.Bezeichnung9->text(), QStringLiteral("Bezeichnung9"));
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
    const int line = w.Bild5->lineHeightTwips();
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
