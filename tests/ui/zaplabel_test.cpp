#include "scriptedplatform.h"
#include "ui/controls.h"
#include "ui/fang.h"
#include "ui/zaplabel.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {

const QString AskForFile = QStringLiteral("Bitte erst eine Datei laden!\r(Doppelklick auf Dateiliste)\r");
const QColor Panel(0xFF, 0xC0, 0x80);

QWidget *control(ZAPLABEL &w, const QString &name)
{
    const QHash<QString, QWidget *> controls = {
        {"Figur1", w.Figur1},             {"Bezeichnung2", w.Bezeichnung2}, {"Bezeichnung3", w.Bezeichnung3},
        {"Bezeichnung4", w.Bezeichnung4}, {"Bezeichnung5", w.Bezeichnung5}, {"Bezeichnung6", w.Bezeichnung6},
        {"Bezeichnung7", w.Bezeichnung7}, {"Bezeichnung1", w.Bezeichnung1}, {"Bild1", w.Bild1},
        {"Bezeichnung8", w.Bezeichnung8},
    };
    return controls.value(name);
}

// A round in play on a list of three words, with two seconds on the clock.
void startRound(fang &w)
{
    w.List1->setItems({QStringLiteral("Ei"), QStringLiteral("Hut"), QStringLiteral("Zaun")});
    w.NextWord();
    w.Bild5_Click();
    w.Zeit1_Timer();
    w.Zeit1_Timer();
}

} // namespace

class ZaplabelTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void window();
    void controlGeometry_data();
    void controlGeometry();
    void texts();
    void openingAndClosingWithoutWordListAsksForFileAgain();
    void secondOpeningKeepsPlaceAndTexts_data();
    void secondOpeningKeepsPlaceAndTexts();
    void everyWayBackHasTheSameEffect_data();
    void everyWayBackHasTheSameEffect();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_oldDir;
};

// Each test plays in its own directory with an empty high-score file.
void ZaplabelTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_oldDir = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_dir->path()));
    QFile scores(QStringLiteral("BESTFANG.LST"));
    QVERIFY(scores.open(QIODevice::WriteOnly));
}

void ZaplabelTest::cleanup()
{
    QDir::setCurrent(m_oldDir);
    m_dir.reset();
    QVERIFY(QApplication::topLevelWidgets().isEmpty());
}

void ZaplabelTest::window()
{
    ScriptedPlatform platform;
    fang w(platform);
    QVERIFY(!w.infoWindow());
    w.Bild8_Click();
    ZAPLABEL *info = w.infoWindow();
    QVERIFY(info);
    QVERIFY(info->isWindow());
    QVERIFY(!info->parentWidget());
    QCOMPARE(info->windowTitle(), QStringLiteral("Programm-Info"));
    QCOMPARE(info->size(), QSize(235, 243));
    QCOMPARE(info->minimumSize(), info->maximumSize());
    QVERIFY(!(info->windowFlags() & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(info->windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(!info->testAttribute(Qt::WA_SetWindowIcon));
    QCOMPARE(info->palette().color(QPalette::Window), QColor(0xFF, 0x80, 0x00));

    QCOMPARE(info->Figur1->fill(), Panel);
    QCOMPARE(info->Bild1->picture(), QStringLiteral(":/icons/okay.svg"));
    QVERIFY(!info->Bild1->hasBorder());
    QVERIFY(info->Bild1->toolTip().isEmpty());
    // Right of the 32-pixel picture only the box's background shows.
    QCOMPARE(info->Bild1->grab().toImage().pixelColor(50, 30), Panel);

    for (QWidget *child : info->findChildren<QWidget *>()) {
        if (child == info->Bild1)
            QVERIFY(child->focusPolicy() & Qt::TabFocus);
        else
            QVERIFY2(child->focusPolicy() == Qt::NoFocus, qPrintable(child->metaObject()->className()));
    }
    QCOMPARE(info->focusWidget(), info->Bild1);
}

void ZaplabelTest::controlGeometry_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("pixels");
    const QList<QPair<QString, QRect>> table = {
        {"Figur1", {8, 8, 217, 201}},         {"Bezeichnung2", {16, 16, 25, 33}},
        {"Bezeichnung3", {40, 16, 25, 33}},   {"Bezeichnung4", {64, 16, 25, 33}},
        {"Bezeichnung5", {88, 16, 129, 33}},  {"Bezeichnung6", {16, 48, 201, 65}},
        {"Bezeichnung7", {16, 112, 201, 41}}, {"Bezeichnung1", {16, 168, 145, 33}},
        {"Bild1", {160, 168, 57, 33}},        {"Bezeichnung8", {8, 216, 217, 17}},
    };
    for (const auto &[name, rect] : table)
        QTest::newRow(qPrintable(name)) << name << rect;
}

void ZaplabelTest::controlGeometry()
{
    QFETCH(QString, name);
    QFETCH(QRect, pixels);
    ScriptedPlatform platform;
    fang w(platform);
    w.Bild8_Click();
    QWidget *c = control(*w.infoWindow(), name);
    QVERIFY(c);
    QCOMPARE(c->parentWidget(), w.infoWindow());
    QCOMPARE(c->geometry(), pixels);
}

void ZaplabelTest::texts()
{
    ScriptedPlatform platform;
    fang w(platform);
    w.Bild8_Click();
    ZAPLABEL *info = w.infoWindow();
    QCOMPARE(info->Bezeichnung2->text(), QStringLiteral("Z"));
    QCOMPARE(info->Bezeichnung3->text(), QStringLiteral("A"));
    QCOMPARE(info->Bezeichnung4->text(), QStringLiteral("P"));
    QCOMPARE(info->Bezeichnung5->text(), QStringLiteral(" - Z a p l i n o"));
    QCOMPARE(info->Bezeichnung1->text(), QStringLiteral("O k a y"));
    QVERIFY(info->Bezeichnung8->text().contains(QStringLiteral("example.org")));

    // The title keeps both ends within its box.
    const Label *title = info->Bezeichnung5;
    QVERIFY(title->fontMetrics().horizontalAdvance(title->text()) <= title->contentsRect().width());

    // Two lines of notice; the first wraps, and all of it fits its box.
    const QStringList notice = info->Bezeichnung6->text().split(QStringLiteral("\r\n"));
    QCOMPARE(notice.size(), 2);
    QVERIFY(notice[0].contains(QStringLiteral("Freeware")));
    QVERIFY(!notice[1].isEmpty());
    QVERIFY(info->Bezeichnung6->wordWrap());
    QVERIFY(info->Bezeichnung6->heightForWidth(info->Bezeichnung6->width()) <= info->Bezeichnung6->height());

    // Credit line, contact line, closing line end.
    const QStringList credits = info->Bezeichnung7->text().split(QStringLiteral("\r\n"));
    QCOMPARE(credits.size(), 3);
    QVERIFY(credits[0].contains(QRegularExpression(QStringLiteral("^Zaplino-Team.* \\d+\\.\\d+"))));
    QVERIFY(credits[1].contains(QRegularExpression(QStringLiteral("\\b[a-z.]+@example\\.org$"))));
    QVERIFY(credits[2].isEmpty());

    // The labels keep CR LF as written and show it as a plain line break.
    const QImage shown = info->Bezeichnung7->grab().toImage();
    info->Bezeichnung7->setText(info->Bezeichnung7->text().replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    QCOMPARE(shown, info->Bezeichnung7->grab().toImage());
}

void ZaplabelTest::openingAndClosingWithoutWordListAsksForFileAgain()
{
    ScriptedPlatform platform;
    fang w(platform);
    w.show();
    w.Form_Activate();
    QCOMPARE(platform.texts().count(AskForFile), 1);
    const qsizetype before = platform.boxes.size();

    w.Bild8_Click();
    QCOMPARE(platform.boxes.size(), before);
    w.infoWindow()->Bild1_Click();

    // The file panel is open: closing it takes a new word, which asks, and then the first NextWord asks again.
    QCOMPARE(platform.texts().mid(before), (QStringList{AskForFile, AskForFile}));
    QVERIFY(w.Bild11->isVisible());
    QVERIFY(w.Bezeichnung3->text().isEmpty());
}

void ZaplabelTest::secondOpeningKeepsPlaceAndTexts_data()
{
    QTest::addColumn<bool>("moved");
    QTest::newRow("left where it opened") << false;
    QTest::newRow("moved by the player") << true;
}

void ZaplabelTest::secondOpeningKeepsPlaceAndTexts()
{
    QFETCH(bool, moved);
    ScriptedPlatform platform;
    fang w(platform);
    w.show();
    w.Bild8_Click();
    ZAPLABEL *info = w.infoWindow();
    // On the 800 x 800 offscreen screen: centred across, a quarter of the free height down.
    QCOMPARE(info->pos(), QPoint(283, 139));
    if (moved)
        info->move(37, 41);
    const QPoint left = info->pos();
    // A rebuild would overwrite this.
    info->Bezeichnung6->setText(QStringLiteral("kein neuer Text"));
    info->Bild1_Click();

    w.Bild8_Click();
    QCOMPARE(w.infoWindow(), info);
    QVERIFY(info->isVisible());
    QVERIFY(!w.isVisible());
    QCOMPARE(info->pos(), left);
    QCOMPARE(info->Bezeichnung6->text(), QStringLiteral("kein neuer Text"));
    info->Bild1_Click();
}

void ZaplabelTest::everyWayBackHasTheSameEffect_data()
{
    QTest::addColumn<QString>("way");
    QTest::newRow("click on the O k a y text") << "Bezeichnung1";
    QTest::newRow("click on the check mark") << "Bild1";
    QTest::newRow("close through the frame") << "frame";
}

void ZaplabelTest::everyWayBackHasTheSameEffect()
{
    QFETCH(QString, way);
    ScriptedPlatform platform;
    fang w(platform);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    startRound(w);
    const QString first = w.Bezeichnung11->text();
    const QList<PrintedText> printed = w.Bild5->canvas().items();
    QTest::mouseClick(w.Bild8, Qt::LeftButton);
    ZAPLABEL *info = w.infoWindow();
    QVERIFY(info);
    QVERIFY(QTest::qWaitForWindowExposed(info));
    QVERIFY(!w.isVisible());
    // The interrupted round stays as it was until the main window returns.
    QVERIFY(!w.Zeit1->isActive());
    QVERIFY(w.Bezeichnung8->isHidden());
    QCOMPARE(w.Bild5->canvas().items(), printed);
    QCOMPARE(w.Bezeichnung6->text(), QStringLiteral("2"));
    QCOMPARE(w.List1->listCount(), 2);

    if (way == QStringLiteral("frame"))
        info->close();
    else
        QTest::mouseClick(control(*info, way), Qt::LeftButton);

    QVERIFY(!info->isVisible());
    QVERIFY(w.isVisible());
    QCOMPARE(w.List1->listCount(), 1);
    QVERIFY(w.Bezeichnung11->text() != first);
    QCOMPARE(w.MODUL1.CurrentWord, w.Bezeichnung11->text());
    QVERIFY(!w.Zeit1->isActive());
    QVERIFY(w.Bezeichnung8->isHidden());
    QCOMPARE(w.Bezeichnung6->text(), QStringLiteral("0"));
    QVERIFY(w.Bezeichnung4->text().isEmpty());
    // Abandoned, not won: no entry, nothing written, nothing asked.
    QCOMPARE(w.Liste1->listCount(), 0);
    QCOMPARE(QFile(QStringLiteral("BESTFANG.LST")).size(), 0);
    QVERIFY(platform.boxes.isEmpty());
}

QTEST_MAIN(ZaplabelTest)
#include "zaplabel_test.moc"
