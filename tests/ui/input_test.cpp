// How a player's hands reach the game: clicks, double-clicks and the keyboard alone.
#include "filebytes.h"
#include "roundhelpers.h"
#include "ui/filepanel.h"
#include "ui/qtplatform.h"
#include "ui/zaplabel.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QFile>
#include <QKeyEvent>
#include <QMessageBox>
#include <QTest>

enum class Before { Ready, Running, ScoresOpen, FilesOpen, FileGone, InfoOpen, StartUp, WinningMove };
enum class Press { Click, DoubleClick, Space, Return, HeldSpace, HeldReturn, LetGoOutside };
Q_DECLARE_METATYPE(Before)
Q_DECLARE_METATYPE(Press)

namespace {

QHash<QString, QWidget *> controls(fang &w)
{
    QHash<QString, QWidget *> all = {
        {"HBildlauf1", w.HBildlauf1}, {"Bild5", w.Bild5}, {"Bild1", w.Bild1}, {"Liste1", w.Liste1},
        {"Bezeichnung20", w.Bezeichnung20}, {"Bild2", w.Bild2}, {"Bild3", w.Bild3}, {"Bild4", w.Bild4},
        {"Bild6", w.Bild6}, {"Bild7", w.Bild7}, {"Bild8", w.Bild8}, {"Bild9", w.Bild9}, {"Bild10", w.Bild10},
        {"Bild11", w.Bild11}, {"Datei1", w.Datei1}, {"Laufwerk1", w.Laufwerk1},
        {"Verzeichnis1", w.Verzeichnis1}, {"List1", w.List1}};
    if (ZAPLABEL *info = w.infoWindow()) {
        all.insert("ZAPLABEL.Bild1", info->Bild1);
        all.insert("ZAPLABEL.Bezeichnung1", info->Bezeichnung1);
    }
    return all;
}

QString focusName(fang &w)
{
    return controls(w).key(QApplication::focusWidget(), QStringLiteral("another"));
}

// What tells one handler from another: the words left in the store, the clock, the open
// panels and windows, and every box and input box shown.
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

void showActive(QWidget *window)
{
    window->show();
    QVERIFY(QTest::qWaitForWindowActive(window));
}

// Five words in the store, one of them set up, and the window active.
void prepare(fang &w, ScriptedPlatform &platform, Before before)
{
    showActive(&w);
    if (before == Before::StartUp) {
        w.Form_Activate();
        QVERIFY(scoresSettled(w));
        platform.boxes.clear();
        return;
    }
    w.List1->setItems({"Ast", "Bus", "Dach", "Ei", "Floh"});
    w.NextWord();
    if (before == Before::Running)
        w.Bild5_Click();
    if (before == Before::ScoresOpen)
        w.Bild9_Click();
    if (before == Before::FilesOpen || before == Before::FileGone)
        w.Bild3_Click();
    // Deleted while the file panel lists it.
    if (before == Before::FileGone)
        QVERIFY(QFile::remove(QStringLiteral("DREI.TXT")));
    if (before == Before::InfoOpen) {
        w.Bild8_Click();
        showActive(w.infoWindow());
    }
    platform.boxes.clear();
}

// The file list is pressed on its first entry, everything else in its middle.
QWidget *mouseTarget(QWidget *widget, QPoint &at)
{
    auto *files = qobject_cast<FileListBox *>(widget);
    at = files ? files->visualItemRect(files->item(0)).center() : widget->rect().center();
    return files ? files->viewport() : widget;
}

// A key held down: its press, the repeats of the window system (each a release and a
// press marked as repeated) at whichever control has the focus by then, and its release.
void holdKey(QWidget *target, Qt::Key key)
{
    const QString text = key == Qt::Key_Space ? QStringLiteral(" ") : QStringLiteral("\r");
    QTest::keyPress(target, key);
    const auto focus = [target] { return QApplication::focusWidget() ? QApplication::focusWidget() : target; };
    for (int i = 0; i < 3; ++i) {
        for (QEvent::Type type : {QEvent::KeyRelease, QEvent::KeyPress}) {
            QKeyEvent repeat(type, key, Qt::NoModifier, text, true);
            QApplication::sendEvent(focus(), &repeat);
        }
    }
    QTest::keyRelease(focus(), key);
}

// Answers each real box as it opens, as a player would: with Esc, or with a click on
// its Esc button ("Nein" to a question); notes its title and first line.
struct BoxAnswerer
{
    explicit BoxAnswerer(bool click)
    {
        timer.callOnTimeout([this, click] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (busy || !box || !box->isVisible())
                return;
            busy = true;
            seen << box->windowTitle() + QStringLiteral(": ") + box->text().section(u'\n', 0, 0);
            if (click)
                QTest::mouseClick(box->escapeButton(), Qt::LeftButton);
            else
                QTest::keyClick(box->windowHandle(), Qt::Key_Escape);
            busy = false;
        });
        timer.start(10);
    }

    QTimer timer;
    QStringList seen;
    bool busy = false;
};

// What a key press may change, seconds aside: the clock may tick while a box is open.
QString gameState(fang &w)
{
    QStringList facts{QStringLiteral("focus ") + focusName(w), QStringLiteral("period ") + w.Bezeichnung15->text(),
                      QStringLiteral("word ") + w.MODUL1.CurrentWord,
                      QStringLiteral("at %1 %2").arg(w.MODUL1.PlayerX).arg(w.MODUL1.PlayerY),
                      QStringLiteral("entries %1").arg(w.Liste1->listCount())};
    if (w.Zeit1->isActive())
        facts << QStringLiteral("clock");
    if (!w.Bild11->isHidden())
        facts << QStringLiteral("files");
    return facts.join(QStringLiteral(", "));
}

} // namespace

class InputTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { QVERIFY(QApplication::topLevelWidgets().isEmpty()); }
    void everyWayOfPressingActsOnce_data();
    void everyWayOfPressingActsOnce();
    void tabSkipsWhatCannotBeSeen_data();
    void tabSkipsWhatCannotBeSeen();
    void keyboardAlonePlaysARoundToTheHighScoreFile();
    void eachPressReachesTheKeyHandlerOnce_data();
    void eachPressReachesTheKeyHandlerOnce();
};

void InputTest::everyWayOfPressingActsOnce_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<Before>("before");
    QTest::addColumn<Press>("press");
    QTest::addColumn<QString>("secondPressOn");
    QTest::addColumn<QString>("after");
    QTest::addColumn<QString>("accessibleName");
    struct Row
    {
        const char *name;
        Before before;
        QList<Press> presses;
        const char *after;
        const char *accessibleName;
    };
    // A key held down acts once, as a double-click does.
    const QList<Press> all = {Press::Click,  Press::DoubleClick, Press::Space,
                              Press::Return, Press::HeldSpace,   Press::HeldReturn};
    const char *bye = "words 3, Bestenliste: Bestenliste fehlt.";
    const QList<Row> rows = {
        {"Bild2", Before::Ready, all, "words 4, Zaplino: Dieses Spiel jetzt beenden?", "Beenden"},
        {"Bild3", Before::Ready, all, "words 4, files", "Dateien"},
        {"Bild7", Before::Ready, all, "words 3, input Benutzername", "Benutzer"},
        {"Bild10", Before::Ready, all, "words 3", "Neues Wort"},
        {"Bild6", Before::Running, all, "words 4, clock, Spielpause: Die Zeit wurde angehalten!", "Spielpause"},
        {"Bild9", Before::Ready, all, "words 4, scores", "Bestenliste"},
        {"Bild4", Before::Ready, all, "words 4, Zaplino: Du musst die Buchstaben eines Wortes der", "Hilfetext"},
        {"Bild8", Before::Ready, all, "words 4, info", "Copyright"},
        {"Bild5", Before::Ready, all, "words 4, clock", "Spielfeld"},
        // Labels take no focus: Space on the high-score button closes the panel.
        {"Bezeichnung20", Before::ScoresOpen, {Press::Click, Press::DoubleClick}, "words 4",
         ">>  Das Fenster hier mit einem Klick schließen  <<"},
        {"ZAPLABEL.Bild1", Before::InfoOpen, all, bye, "Okay"},
        {"ZAPLABEL.Bezeichnung1", Before::InfoOpen, {Press::Click, Press::DoubleClick}, bye, "O k a y"},
        {"Datei1", Before::FilesOpen, {Press::DoubleClick, Press::Return, Press::HeldReturn}, "words 2", ""},
        {"Datei1", Before::FilesOpen, {Press::Click}, "words 4, files", ""},
    };
    const char *pressNames[] = {"click", "double-click", "Space", "Return", "held Space", "held Return"};
    for (const Row &row : rows) {
        for (Press press : row.presses) {
            QTest::addRow("%s %s", pressNames[static_cast<int>(press)], row.name)
                << row.name << row.before << press << row.name << row.after << QString::fromUtf8(row.accessibleName);
        }
    }
    // The window system gives the second press to whatever lies under the pointer by then.
    QTest::newRow("double-click closing the high-score panel starts no round on the field below")
        << "Bezeichnung20" << Before::ScoresOpen << Press::DoubleClick << "Bild5" << "words 4" << "";
    // The panel stays open, the focus in the list, where the repeats arrive.
    QTest::newRow("held Return on a list deleted meanwhile reports it once")
        << "Datei1" << Before::FileGone << Press::HeldReturn << "Datei1"
        << "words 4, files, Textliste: Die Datei wurde nicht gefunden:" << "";
    QTest::newRow("press on a picture button let go outside it does nothing")
        << "Bild10" << Before::Ready << Press::LetGoOutside << "Bild10" << "words 4" << "Neues Wort";
    QTest::newRow("press on the closing label let go outside it does nothing")
        << "Bezeichnung20" << Before::ScoresOpen << Press::LetGoOutside << "Bezeichnung20" << "words 4, scores"
        << ">>  Das Fenster hier mit einem Klick schließen  <<";
}

void InputTest::everyWayOfPressingActsOnce()
{
    QFETCH(QString, name);
    QFETCH(Before, before);
    QFETCH(Press, press);
    QFETCH(QString, secondPressOn);
    QFETCH(QString, after);
    QFETCH(QString, accessibleName);
    TemporaryCurrentDir dir;
    writeBytes(dir.path() + QStringLiteral("/DREI.TXT"), "Igel\r\nKuh\r\nLuchs\r\n");
    ScriptedPlatform platform;
    fang w(platform);
    prepare(w, platform, before);
    QWidget *target = controls(w).value(name);
    if (!accessibleName.isEmpty())
        QCOMPARE(QAccessible::queryAccessibleInterface(target)->text(QAccessible::Name), accessibleName);

    QPoint at;
    if (press == Press::Click || press == Press::DoubleClick)
        QTest::mouseClick(mouseTarget(target, at), Qt::LeftButton, {}, at);
    if (press == Press::DoubleClick) {
        // The rest of a double-click as the window system delivers it.
        QWidget *second = mouseTarget(controls(w).value(secondPressOn), at);
        QTest::mouseDClick(second, Qt::LeftButton, {}, at);
        QTest::mouseRelease(second, Qt::LeftButton, {}, at);
    }
    if (press == Press::Space || press == Press::Return) {
        target->setFocus();
        QTest::keyClick(target, press == Press::Space ? Qt::Key_Space : Qt::Key_Return);
    }
    if (press == Press::HeldSpace || press == Press::HeldReturn) {
        target->setFocus();
        holdKey(target, press == Press::HeldSpace ? Qt::Key_Space : Qt::Key_Return);
    }
    if (press == Press::LetGoOutside) {
        QWidget *pressed = mouseTarget(target, at);
        QTest::mousePress(pressed, Qt::LeftButton, {}, at);
        QTest::mouseRelease(pressed, Qt::LeftButton, {}, QPoint(at.x(), pressed->height() + 4));
    }
    QVERIFY(scoresSettled(w));
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
        << Before::Ready << "HBildlauf1" << Qt::Key_Tab << QStringList{"Bild5"} + buttons + QStringList{"HBildlauf1"};
    QTest::newRow("Shift+Tab goes the same way back")
        << Before::Ready << "HBildlauf1" << Qt::Key_Backtab
        << QStringList{"Bild10", "Bild9", "Bild8", "Bild7", "Bild6", "Bild4", "Bild3", "Bild2", "Bild5", "HBildlauf1"};
    QTest::newRow("open high-score panel follows the field, its label takes no focus")
        << Before::ScoresOpen << "HBildlauf1" << Qt::Key_Tab
        << QStringList{"Bild5", "Bild1", "Liste1"} + buttons + QStringList{"HBildlauf1"};
    QTest::newRow("open file panel's lists close the round, the controls under it stay")
        << Before::FilesOpen << "Bild2" << Qt::Key_Tab
        << buttons.mid(1) + QStringList{"Laufwerk1", "Verzeichnis1", "Datei1", "HBildlauf1", "Bild5", "Bild2"};
    QTest::newRow("start-up leaves the focus on the scroll bar, one Shift+Tab from the file list")
        << Before::StartUp << "HBildlauf1" << Qt::Key_Backtab
        << QStringList{"Datei1", "Verzeichnis1", "Laufwerk1", "Bild10"};
    QTest::newRow("info window keeps the focus on its button, and shows it")
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
    QWidget *window = controls(w).value(start)->window();
    if (before != Before::StartUp)
        controls(w).value(start)->setFocus();
    QCOMPARE(focusName(w), start);
    auto *frame = window->findChild<FocusFrame *>();
    QCOMPARE(frame->target(), nullptr);
    QStringList seen;
    for (qsizetype i = 0; i < visited.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), key);
        seen << focusName(w);
        QCOMPARE(frame->target(), QApplication::focusWidget());
    }
    QCOMPARE(seen, visited);
    w.Zeit1->stop();
}

// From start-up to a saved high score without a mouse; the next click hides the focus frame.
void InputTest::keyboardAlonePlaysARoundToTheHighScoreFile()
{
    TemporaryCurrentDir dir;
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("listen")));
    writeBytes(dir.path() + QStringLiteral("/listen/ZWEI.TXT"), "Ei\r\nUhu\r\n");
    ScriptedPlatform platform;
    fang w(platform);
    showActive(&w);
    const auto press = [](Qt::Key key) { QTest::keyClick(QApplication::focusWidget(), key); };
    w.Form_Activate();
    QVERIFY(scoresSettled(w));
    QCOMPARE(platform.boxes.size(), 2);
    // The file panel opened over the scroll bar, which keeps the focus.
    QCOMPARE(focusName(w), QStringLiteral("HBildlauf1"));
    press(Qt::Key_Backtab);
    press(Qt::Key_Backtab);
    press(Qt::Key_Down);
    press(Qt::Key_Return);
    QCOMPARE(w.Datei1->fileName(0), QStringLiteral("ZWEI.TXT"));
    press(Qt::Key_Tab);
    platform.randoms << 0.0f;
    press(Qt::Key_Return);
    QCOMPARE(w.Bezeichnung10->text(), dir.path() + QStringLiteral("/listen/ZWEI.TXT"));
    QCOMPARE(w.Bezeichnung3->text(), QStringLiteral("E"));
    QCOMPARE(focusName(w), QStringLiteral("Bild5"));

    scriptScatter(platform, {{10, 6}, {10, 4}});
    press(Qt::Key_Space);
    press(Qt::Key_Right);
    QCOMPARE(w.Bezeichnung4->text(), QStringLiteral("E"));
    // Arrows still steer while a button has the focus.
    press(Qt::Key_Tab);
    QCOMPARE(focusName(w), QStringLiteral("Bild2"));
    press(Qt::Key_Up);
    press(Qt::Key_Up);
    QCOMPARE(platform.boxes.last().text, QStringLiteral("Du hast es in 0 Sekunden geschafft.\r"));
    QVERIFY(scoresSettled(w));
    QCOMPARE(readBytes(dir.path() + QStringLiteral("/BESTFANG.LST")),
             QByteArray(">   2    0   10 Freund und Gast\r\n"));

    // On to the high-score button, which closes the panel, and back to the field.
    for (int i = 0; i < 6; ++i)
        press(Qt::Key_Tab);
    QCOMPARE(focusName(w), QStringLiteral("Bild9"));
    press(Qt::Key_Space);
    QCOMPARE(w.Bild1->x(), 560);
    QCOMPARE(w.Bezeichnung3->text(), QStringLiteral("U"));
    for (int i = 0; i < 3; ++i)
        press(Qt::Key_Tab);
    QCOMPARE(focusName(w), QStringLiteral("Bild5"));

    // The frame is drawn two pixels out from the field's left edge at x 64.
    const auto leftOfField = [&] { return w.grab().toImage().pixelColor(62, 200); };
    QCOMPARE(leftOfField(), QColor(Qt::black));
    QTest::mouseClick(w.Bild5, Qt::LeftButton);
    QCOMPARE(w.findChild<FocusFrame *>()->target(), nullptr);
    QCOMPARE(leftOfField(), QColor(0xFF, 0xE0, 0xC0));
    w.Zeit1->stop();
}

void InputTest::eachPressReachesTheKeyHandlerOnce_data()
{
    QTest::addColumn<Before>("before");
    QTest::addColumn<QString>("focus");
    QTest::addColumn<Qt::Key>("key");
    QTest::addColumn<int>("presses");
    QTest::addColumn<bool>("click");
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<QString>("after");
    const QStringList quit{"Zaplino: Dieses Spiel jetzt beenden?"};
    // An empty "after" is the game as it was.
    QTest::newRow("Esc on the field, No by Esc")
        << Before::Running << "Bild5" << Qt::Key_Escape << 1 << false << quit << "";
    QTest::newRow("Esc on the field, No by the button")
        << Before::Running << "Bild5" << Qt::Key_Escape << 1 << true << quit << "";
    QTest::newRow("Esc in the file list, No by Esc")
        << Before::FilesOpen << "Datei1" << Qt::Key_Escape << 1 << false << quit << "";
    QTest::newRow("arrow key winning the round")
        << Before::WinningMove << "Bild5" << Qt::Key_Right << 1 << false
        << QStringList{"Quendolin: Du hast es in 0 Sekunden geschafft."}
        << "focus Bild5, period 10, word , at 10 6, entries 1";
    QTest::newRow("held arrow key: each press without a release moves")
        << Before::Running << "Bild5" << Qt::Key_Right << 3 << false << QStringList{}
        << "focus Bild5, period 10, word Maus, at 12 6, entries 0, clock";
    QTest::newRow("first arrow key after start-up steps the period")
        << Before::StartUp << "HBildlauf1" << Qt::Key_Right << 1 << false << QStringList{}
        << "focus Bild5, period 11, word Quendolin, at 0 0, entries 0, files";
}

// Real keys through the window system's route, real boxes answered as they open.
void InputTest::eachPressReachesTheKeyHandlerOnce()
{
    QFETCH(Before, before);
    QFETCH(QString, focus);
    QFETCH(Qt::Key, key);
    QFETCH(int, presses);
    QFETCH(bool, click);
    QFETCH(QStringList, boxes);
    QFETCH(QString, after);
    TemporaryCurrentDir dir;
    writeBytes(dir.path() + QStringLiteral("/DREI.TXT"), "Igel\r\nKuh\r\nLuchs\r\n");
    QtPlatform platform;
    fang w(platform);
    platform.setDialogParent(&w);
    BoxAnswerer answerer(click);
    showActive(&w);
    if (before == Before::StartUp) {
        w.Form_Activate();
        // The missing list is told once the box asking for a word list has gone.
        QTRY_VERIFY(answerer.seen.contains(QStringLiteral("Bestenliste: Bestenliste fehlt.")));
    } else {
        w.List1->setItems(before == Before::WinningMove ? QStringList{"X"} : QStringList{"Maus", "Maus"});
        w.NextWord();
        if (before == Before::FilesOpen)
            w.Bild3_Click();
        else
            w.Bild5_Click();
        // The first letter right of the marker, the others out of its way.
        for (int i = 1; i <= 4; ++i) {
            w.MODUL1.LetterX[i] = before == Before::WinningMove ? w.MODUL1.PlayerX + 1 : i;
            w.MODUL1.LetterY[i] = before == Before::WinningMove ? w.MODUL1.PlayerY : 0;
        }
        controls(w).value(focus)->setFocus();
    }
    // A window manager hands the window its focus back after a box.
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QCOMPARE(focusName(w), focus);
    const QString was = gameState(w);
    answerer.seen.clear();

    for (int i = 1; i < presses; ++i)
        QTest::keyPress(w.windowHandle(), key);
    QTest::keyClick(w.windowHandle(), key);
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QCOMPARE(answerer.seen, boxes);
    QCOMPARE(gameState(w), after.isEmpty() ? was : after);
    w.Zeit1->stop();
}

QTEST_MAIN(InputTest)
#include "input_test.moc"
