#include "ui/qtplatform.h"

#include <QApplication>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScopeGuard>
#include <QTest>
#include <QTimer>

namespace {

// Checks the next modal box once it is open, then closes it whatever happened, so
// that a failed check cannot leave the test waiting on the box.
template <typename Box>
void whenOpen(std::function<void(Box *)> check)
{
    QTimer::singleShot(0, [check] {
        auto *box = qobject_cast<Box *>(QApplication::activeModalWidget());
        QVERIFY(box);
        const auto closeAnyway = qScopeGuard([box] {
            if (box->isVisible())
                box->done(QDialog::Rejected);
        });
        QVERIFY(QTest::qWaitForWindowActive(box));
        check(box);
    });
}

QStringList buttonTexts(const QWidget *box)
{
    QStringList texts;
    for (const QPushButton *button : box->findChildren<QPushButton *>())
        texts.append(button->text());
    texts.sort();
    return texts;
}

} // namespace

class QtPlatformTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void messageBox_data();
    void messageBox();
    void inputBox_data();
    void inputBox();
};

void QtPlatformTest::cleanup()
{
    QVERIFY(QApplication::topLevelWidgets().isEmpty());
}

void QtPlatformTest::messageBox_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<Platform::Buttons>("buttons");
    QTest::addColumn<Platform::Icon>("icon");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("shownIcon");
    QTest::addColumn<Platform::Answer>("answer");
    const QString quit = QStringLiteral("Dieses Spiel jetzt beenden?\r");
    QTest::newRow("quit question: Return takes the default, Yes")
        << quit << Platform::Buttons::YesNo << Platform::Icon::Stop << int(Qt::Key_Return)
        << "Dieses Spiel jetzt beenden?" << int(QMessageBox::Critical) << Platform::Answer::Yes;
    QTest::newRow("quit question: Esc answers No")
        << quit << Platform::Buttons::YesNo << Platform::Icon::Stop << int(Qt::Key_Escape)
        << "Dieses Spiel jetzt beenden?" << int(QMessageBox::Critical) << Platform::Answer::No;
    QTest::newRow("notice: each CR a line break, the last one dropped")
        << "Letzter Eintrag.\rNeu laden.\r" << Platform::Buttons::Ok << Platform::Icon::Information
        << int(Qt::Key_Return) << "Letzter Eintrag.\nNeu laden." << int(QMessageBox::Information)
        << Platform::Answer::Ok;
    QTest::newRow("plain box: CR LF is one line break, Esc closes")
        << "Bitte erst eine Datei laden!\r\n(Doppelklick)\r" << Platform::Buttons::Ok << Platform::Icon::None
        << int(Qt::Key_Escape) << "Bitte erst eine Datei laden!\n(Doppelklick)" << int(QMessageBox::NoIcon)
        << Platform::Answer::Ok;
}

void QtPlatformTest::messageBox()
{
    QFETCH(QString, text);
    QFETCH(Platform::Buttons, buttons);
    QFETCH(Platform::Icon, icon);
    QFETCH(int, key);
    QFETCH(QString, shown);
    QFETCH(int, shownIcon);
    QFETCH(Platform::Answer, answer);
    bool checked = false;
    whenOpen<QMessageBox>([&](QMessageBox *box) {
        QCOMPARE(box->windowTitle(), QStringLiteral("Spielpause"));
        QCOMPARE(box->text(), shown);
        QCOMPARE(int(box->icon()), shownIcon);
        QCOMPARE(buttonTexts(box),
                 (buttons == Platform::Buttons::Ok ? QStringList{"OK"} : QStringList{"&Ja", "&Nein"}));
        // The key goes where the player's would: to the button that has the focus.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));
        QVERIFY(!box->isVisible());
        checked = true;
    });
    QtPlatform platform;
    QCOMPARE(platform.messageBox(text, buttons, icon, QStringLiteral("Spielpause")), answer);
    QVERIFY(checked);
}

void QtPlatformTest::inputBox_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("answer");
    QTest::newRow("Return takes the text as typed") << int(Qt::Key_Return) << "  Anna Lena ";
    QTest::newRow("Esc cancels with empty text") << int(Qt::Key_Escape) << "";
}

void QtPlatformTest::inputBox()
{
    QFETCH(int, key);
    QFETCH(QString, answer);
    bool checked = false;
    whenOpen<QInputDialog>([&](QInputDialog *box) {
        QCOMPARE(box->windowTitle(), QStringLiteral("Zaplino"));
        QCOMPARE(box->labelText(), QStringLiteral("Wie heißt du?\nBenutzername"));
        QCOMPARE(buttonTexts(box), (QStringList{"Abbrechen", "OK"}));
        auto *edit = box->findChild<QLineEdit *>();
        QCOMPARE(edit->text(), QStringLiteral("Gast"));
        edit->selectAll();
        QTest::keyClicks(edit, QStringLiteral("  Anna Lena "));
        QTest::keyClick(edit, Qt::Key(key));
        QVERIFY(!box->isVisible());
        checked = true;
    });
    QtPlatform platform;
    QCOMPARE(platform.inputBox(QStringLiteral("Wie heißt du?\rBenutzername\r"), QStringLiteral("Zaplino"),
                               QStringLiteral("Gast")),
             answer);
    QVERIFY(checked);
}

QTEST_MAIN(QtPlatformTest)
#include "qtplatform_test.moc"
