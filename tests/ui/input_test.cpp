// How a player's hands reach the game: clicks, double-clicks and the keyboard alone.
#include "filebytes.h"
#include "roundhelpers.h"
#include "scriptedplatform.h"
#include "ui/controls.h"
#include "ui/fang.h"
#include "ui/filepanel.h"
#include "ui/zaplabel.h"

#include <QAccessible>
#include <QApplication>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

namespace {

enum class Before { Ready, Running, ScoresOpen, FilesOpen, InfoOpen };
enum class Press { Click, DoubleClick, Space, Return };

} // namespace

Q_DECLARE_METATYPE(Before)
Q_DECLARE_METATYPE(Press)

namespace {

QWidget *control(fang &w, const QString &name)
{
    if (name.startsWith(QLatin1String("ZAPLABEL."))) {
        ZAPLABEL *info = w.infoWindow();
        if (!info)
            return nullptr;
        const QHash<QString, QWidget *> infoControls = {{"ZAPLABEL.Bild1", info->Bild1},
                                                        {"ZAPLABEL.Bezeichnung1", info->Bezeichnung1}};
        return infoControls.value(name);
    }
    const QHash<QString, QWidget *> controls = {
        {"HBildlauf1", w.HBildlauf1}, {"Bild5", w.Bild5},     {"Bild1", w.Bild1},
        {"Liste1", w.Liste1},         {"Bild2", w.Bild2},     {"Bild3", w.Bild3},
        {"Bild4", w.Bild4},           {"Bild6", w.Bild6},     {"Bild7", w.Bild7},
        {"Bild8", w.Bild8},           {"Bild9", w.Bild9},     {"Bild10", w.Bild10},
        {"Bild11", w.Bild11},         {"Datei1", w.Datei1},   {"Laufwerk1", w.Laufwerk1},
        {"Verzeichnis1", w.Verzeichnis1}, {"List1", w.List1}, {"Bezeichnung20", w.Bezeichnung20},
        {"Bezeichnung14", w.Bezeichnung14},
    };
    return controls.value(name);
}

QString nameOf(fang &w, QWidget *widget)
{
    for (const char *name : {"HBildlauf1", "Bild5", "Bild1", "Liste1", "Bezeichnung20", "Bild2", "Bild3",
                                "Bild4", "Bild6", "Bild7", "Bild8", "Bild9", "Bild10", "Bild11", "Datei1",
                                "Laufwerk1", "Verzeichnis1", "List1", "ZAPLABEL.Bild1", "ZAPLABEL.Bezeichnung1"}) {
        if (widget && control(w, name) == widget)
            return name;
    }
    return widget ? QString::fromLatin1(widget->metaObject()->className()) : QStringLiteral("nothing");
}

// What the player can tell apart afterwards: the words left in the store, the clock,
// the open panels and windows, and every box and input box that was shown.
QString observed(fang &w, const ScriptedPlatform &platform)
{
    QStringList facts{QStringLiteral("words %1").arg(w.List1->listCount())};
    if (w.Zeit1->isActive())
        facts << QStringLiteral("clock");
    if (!w.Bild11->isHidden())
        facts << QStringLiteral("files");
    if (w.Bild1->x() < w.width())
        facts << QStringLiteral("scores");
    if (w.infoWindow() && w.infoWindow()->isVisible())
        facts << QStringLiteral("info");
    for (const ScriptedPlatform::Box &box : platform.boxes)
        facts << box.title + QStringLiteral(": ") + box.text.section(u'\r', 0, 0);
    for (const ScriptedPlatform::Input &input : platform.inputs)
        facts << QStringLiteral("input ") + input.prompt;
    return facts.join(QStringLiteral(", "));
}

void showAndWait(QWidget &window)
{
    window.show();
    if (!QTest::qWaitForWindowActive(&window))
        qFatal("window %s never became active", qPrintable(window.objectName()));
}

// Five words in the store, one of them set up; the window shown and active.
void prepare(fang &w, ScriptedPlatform &platform, Before before)
{
    showAndWait(w);
    w.List1->setItems({"Ast", "Bus", "Dach", "Ei", "Floh"});
    w.NextWord();
    switch (before) {
    case Before::Ready:
        break;
    case Before::Running:
        w.Bild5_Click();
        break;
    case Before::ScoresOpen:
        w.Bild9_Click();
        break;
    case Before::FilesOpen:
        w.Bild3_Click();
        break;
    case Before::InfoOpen:
        w.Bild8_Click();
        showAndWait(*w.infoWindow());
        break;
    }
    platform.boxes.clear();
}

// The file list is pressed on its first entry, everything else in its middle.
QWidget *mouseTarget(QWidget *widget, QPoint &at)
{
    if (auto *files = qobject_cast<FileListBox *>(widget)) {
        at = files->visualItemRect(files->item(0)).center();
        return files->viewport();
    }
    at = widget->rect().center();
    return widget;
}

} // namespace

class InputTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void everyWayOfPressingActsOnce_data();
    void everyWayOfPressingActsOnce();
    void tabSkipsWhatCannotBeSeen_data();
    void tabSkipsWhatCannotBeSeen();
    void keyboardAlonePlaysARoundToTheHighScoreFile();
    void focusFrameOnlyAfterTheKeyboard();
    void controlsCarryAccessibleNames_data();
    void controlsCarryAccessibleNames();
};

void InputTest::cleanup()
{
    QVERIFY(QApplication::topLevelWidgets().isEmpty());
}

void InputTest::everyWayOfPressingActsOnce_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<Before>("before");
    QTest::addColumn<Press>("press");
    QTest::addColumn<QString>("secondPressOn");
    QTest::addColumn<QString>("after");

    struct Row
    {
        const char *name;
        Before before;
        QList<Press> presses;
        const char *after;
    };
    const QList<Press> all = {Press::Click, Press::DoubleClick, Press::Space, Press::Return};
    const QList<Row> rows = {
        {"Bild2", Before::Ready, all, "words 4, Zaplino: Dieses Spiel jetzt beenden?"},
        {"Bild3", Before::Ready, all, "words 4, files"},
        {"Bild7", Before::Ready, all, "words 3, input Benutzername"},
        {"Bild10", Before::Ready, all, "words 3"},
        {"Bild6", Before::Running, all, "words 4, clock, Spielpause: Die Zeit wurde angehalten!"},
        {"Bild9", Before::Ready, all, "words 4, scores"},
        {"Bild4", Before::Ready, all, "words 4, Zaplino: Du musst die Buchstaben eines Wortes der"},
        {"Bild8", Before::Ready, all, "words 4, info"},
        {"Bild5", Before::Ready, all, "words 4, clock"},
        {"Bezeichnung20", Before::ScoresOpen, all, "words 4"},
        {"ZAPLABEL.Bild1", Before::InfoOpen, all, "words 3, Bestenliste: Bestenliste fehlt."},
        // The info window's only focus is its button, as drawn.
        {"ZAPLABEL.Bezeichnung1", Before::InfoOpen, {Press::Click, Press::DoubleClick},
         "words 3, Bestenliste: Bestenliste fehlt."},
        {"Datei1", Before::FilesOpen, {Press::DoubleClick, Press::Return}, "words 2"},
        {"Datei1", Before::FilesOpen, {Press::Click}, "words 4, files"},
    };
    const char *pressNames[] = {"click", "double-click", "Space", "Return"};
    for (const Row &row : rows) {
        for (Press press : row.presses) {
            QTest::addRow("%s %s", pressNames[static_cast<int>(press)], row.name)
                << QString::fromLatin1(row.name) << row.before << press << QString::fromLatin1(row.name)
                << QString::fromUtf8(row.after);
        }
    }
    // The window system gives the second press to whatever lies under the pointer by then.
    QTest::newRow("double-click closing the high-score panel starts no round on the field below")
        << "Bezeichnung20" << Before::ScoresOpen << Press::DoubleClick << "Bild5" << "words 4";
}

void InputTest::everyWayOfPressingActsOnce()
{
    QFETCH(QString, name);
    QFETCH(Before, before);
    QFETCH(Press, press);
    QFETCH(QString, secondPressOn);
    QFETCH(QString, after);
    TemporaryCurrentDir dir;
    writeBytes(dir.path() + QStringLiteral("/DREI.TXT"), "Igel\r\nKuh\r\nLuchs\r\n");
    ScriptedPlatform platform;
    fang w(platform);
    prepare(w, platform, before);
    QWidget *target = control(w, name);
    QVERIFY(target);

    QPoint at;
    switch (press) {
    case Press::Click:
        QTest::mouseClick(mouseTarget(target, at), Qt::LeftButton, {}, at);
        break;
    case Press::DoubleClick: {
        // As the window system delivers it: a click, then a double-click and its release.
        QTest::mouseClick(mouseTarget(target, at), Qt::LeftButton, {}, at);
        QWidget *second = mouseTarget(control(w, secondPressOn), at);
        QTest::mouseDClick(second, Qt::LeftButton, {}, at);
        QTest::mouseRelease(second, Qt::LeftButton, {}, at);
        break;
    }
    case Press::Space:
    case Press::Return:
        target->setFocus();
        QVERIFY(target->hasFocus());
        QTest::keyClick(target, press == Press::Space ? Qt::Key_Space : Qt::Key_Return);
        break;
    }
    QCOMPARE(observed(w, platform), after);
    w.Zeit1->stop();
}

void InputTest::tabSkipsWhatCannotBeSeen_data()
{
    QTest::addColumn<Before>("before");
    QTest::addColumn<QString>("start");
    QTest::addColumn<Qt::Key>("key");
    QTest::addColumn<QStringList>("visited");
    const QStringList buttons = {"Bild2", "Bild3", "Bild4", "Bild6", "Bild7", "Bild8", "Bild9", "Bild10"};
    QTest::newRow("closed panels and the word store are passed by")
        << Before::Ready << "HBildlauf1" << Qt::Key_Tab
        << QStringList{"Bild5"} + buttons + QStringList{"HBildlauf1"};
    QTest::newRow("Shift+Tab goes the same way back")
        << Before::Ready << "HBildlauf1" << Qt::Key_Backtab
        << QStringList{"Bild10", "Bild9", "Bild8", "Bild7", "Bild6", "Bild4", "Bild3", "Bild2", "Bild5", "HBildlauf1"};
    QTest::newRow("open high-score panel follows the field")
        << Before::ScoresOpen << "HBildlauf1" << Qt::Key_Tab
        << QStringList{"Bild5", "Bild1", "Liste1", "Bezeichnung20"} + buttons + QStringList{"HBildlauf1"};
    QTest::newRow("open file panel hides the top bar and the field")
        << Before::FilesOpen << "Bild2" << Qt::Key_Tab
        << buttons.mid(1) + QStringList{"Bild11", "Datei1", "Laufwerk1", "Verzeichnis1", "Bild2"};
    QTest::newRow("info window keeps the focus on its button")
        << Before::InfoOpen << "ZAPLABEL.Bild1" << Qt::Key_Tab << QStringList{"ZAPLABEL.Bild1"};
}

void InputTest::tabSkipsWhatCannotBeSeen()
{
    QFETCH(Before, before);
    QFETCH(QString, start);
    QFETCH(Qt::Key, key);
    QFETCH(QStringList, visited);
    TemporaryCurrentDir dir;
    ScriptedPlatform platform;
    fang w(platform);
    prepare(w, platform, before);
    control(w, start)->setFocus();
    QStringList seen;
    for (qsizetype i = 0; i < visited.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), key);
        seen << nameOf(w, QApplication::focusWidget());
    }
    QCOMPARE(seen, visited);
    w.Zeit1->stop();
}

// From start-up to a saved high score without a mouse.
void InputTest::keyboardAlonePlaysARoundToTheHighScoreFile()
{
    TemporaryCurrentDir dir;
    writeBytes(dir.path() + QStringLiteral("/ZWEI.TXT"), "Ei\r\nUhu\r\n");
    ScriptedPlatform platform;
    fang w(platform);
    showAndWait(w);
    const auto press = [](Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
        QTest::keyClick(QApplication::focusWidget(), key, modifiers);
    };
    w.Form_Activate();
    QCOMPARE(platform.texts(), (QStringList{"Bestenliste fehlt.\r",
                                            "Bitte erst eine Datei laden!\r(Doppelklick auf Dateiliste)\r"}));
    // The opening file panel took the focus from the scroll bar under it.
    QCOMPARE(nameOf(w, QApplication::focusWidget()), QStringLiteral("Datei1"));

    platform.randoms << 0.0f;
    press(Qt::Key_Return);
    QVERIFY(w.Bild11->isHidden());
    QCOMPARE(w.Bezeichnung10->text(), dir.path() + QStringLiteral("/ZWEI.TXT"));
    QCOMPARE(w.Bezeichnung3->text(), QStringLiteral("E"));
    QCOMPARE(nameOf(w, QApplication::focusWidget()), QStringLiteral("Bild5"));

    scriptScatter(platform, {{10, 6}, {10, 4}});
    press(Qt::Key_Space);
    QVERIFY(w.Zeit1->isActive());
    press(Qt::Key_Right);
    QCOMPARE(w.Bezeichnung4->text(), QStringLiteral("E"));
    // Arrows still steer while a button has the focus.
    press(Qt::Key_Tab);
    QCOMPARE(nameOf(w, QApplication::focusWidget()), QStringLiteral("Bild2"));
    press(Qt::Key_Up);
    press(Qt::Key_Up);
    QVERIFY(!w.Zeit1->isActive());
    QCOMPARE(platform.boxes.last().text, QStringLiteral("Du hast es in 0 Sekunden geschafft.\r"));
    QCOMPARE(readBytes(dir.path() + QStringLiteral("/BESTFANG.LST")),
             QByteArray(">   2    0   10 Freund und Gast\r\n"));

    // Back from the quit button into the open panel, and closed with Space.
    press(Qt::Key_Backtab);
    QCOMPARE(nameOf(w, QApplication::focusWidget()), QStringLiteral("Bezeichnung20"));
    press(Qt::Key_Space);
    QCOMPARE(w.Bild1->x(), 560);
    QCOMPARE(w.Bezeichnung3->text(), QStringLiteral("U"));
    QCOMPARE(nameOf(w, QApplication::focusWidget()), QStringLiteral("Bild5"));
}

void InputTest::focusFrameOnlyAfterTheKeyboard()
{
    TemporaryCurrentDir dir;
    ScriptedPlatform platform;
    fang w(platform);
    prepare(w, platform, Before::Ready);
    auto *frame = w.findChild<FocusFrame *>();
    QVERIFY(frame);
    const QColor background(0xFF, 0xE0, 0xC0);
    // Left of the field, two pixels out from its edge at x 64.
    const auto leftOfField = [&] { return w.grab().toImage().pixelColor(62, 200); };
    QCOMPARE(QApplication::focusWidget(), w.HBildlauf1);
    QCOMPARE(frame->target(), nullptr);

    QTest::keyClick(w.HBildlauf1, Qt::Key_Tab);
    QCOMPARE(frame->target(), w.Bild5);
    QCOMPARE(frame->geometry(), QRect(62, 46, 477, 309));
    QCOMPARE(leftOfField(), QColor(Qt::black));

    QTest::mouseClick(w.Bild10, Qt::LeftButton);
    QCOMPARE(frame->target(), nullptr);
    QCOMPARE(leftOfField(), background);

    QTest::keyClick(w.Bild5, Qt::Key_Tab);
    QCOMPARE(frame->target(), w.Bild2);
    QCOMPARE(frame->geometry(), QRect(6, 6, 37, 37));
    // A click that moves the focus shows no frame either.
    QTest::mouseClick(w.Bild5, Qt::LeftButton);
    QCOMPARE(QApplication::focusWidget(), w.Bild5);
    QCOMPARE(frame->target(), nullptr);
    w.Zeit1->stop();

    // Tab in a window with one control to focus keeps the focus, and shows it.
    w.Bild8_Click();
    showAndWait(*w.infoWindow());
    auto *infoFrame = w.infoWindow()->findChild<FocusFrame *>();
    QVERIFY(infoFrame);
    QCOMPARE(infoFrame->target(), nullptr);
    QTest::keyClick(w.infoWindow()->Bild1, Qt::Key_Tab);
    QCOMPARE(infoFrame->target(), w.infoWindow()->Bild1);
}

void InputTest::controlsCarryAccessibleNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("accessibleName");
    const QList<QPair<const char *, const char *>> rows = {
        {"Bild2", "Beenden"},     {"Bild3", "Dateien"},     {"Bild7", "Benutzer"},
        {"Bild10", "Neues Wort"}, {"Bild6", "Spielpause"},  {"Bild9", "Bestenliste"},
        {"Bild4", "Hilfetext"},   {"Bild8", "Copyright"},   {"Bild5", "Spielfeld"},
        {"Bezeichnung20", ">>  Das Fenster hier mit einem Klick schließen  <<"},
        {"Bezeichnung14", "Freund und Gast"},
        {"ZAPLABEL.Bild1", "Okay"},
        {"ZAPLABEL.Bezeichnung1", "O k a y"},
    };
    for (const auto &[name, accessible] : rows)
        QTest::newRow(name) << QString::fromLatin1(name) << QString::fromUtf8(accessible);
}

void InputTest::controlsCarryAccessibleNames()
{
    QFETCH(QString, name);
    QFETCH(QString, accessibleName);
    ScriptedPlatform platform;
    fang w(platform);
    if (name.startsWith(QLatin1String("ZAPLABEL.")))
        w.Bild8_Click();
    QWidget *widget = control(w, name);
    QVERIFY(widget);
    QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(widget);
    QVERIFY(accessible);
    QCOMPARE(accessible->text(QAccessible::Name), accessibleName);
}

QTEST_MAIN(InputTest)
#include "input_test.moc"
