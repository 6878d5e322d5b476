// A waiting round must cost nothing but its tick: each step repaints only what changed.
#include "roundhelpers.h"

#include <QApplication>
#include <QSet>
#include <QTest>

class RepaintTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void quietTickRepaintsOnlyTheSeconds();
    void moveWithoutCatchRepaintsOnlyTheField();

private:
    std::unique_ptr<TemporaryCurrentDir> m_dir;
};

namespace {

// Records every widget that paints.
class PaintRecorder : public QObject
{
public:
    PaintRecorder() { qApp->installEventFilter(this); }
    ~PaintRecorder() override { qApp->removeEventFilter(this); }
    QSet<QObject *> painted;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            painted.insert(watched);
        return false;
    }
};

void showAndSettle(fang &w)
{
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QCoreApplication::processEvents();
}

const QList<QPoint> TopRow = {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}, {5, 0}, {6, 0}, {7, 0}, {8, 0}};

} // namespace

void RepaintTest::init()
{
    m_dir = std::make_unique<TemporaryCurrentDir>();
}

void RepaintTest::cleanup()
{
    m_dir.reset();
    QVERIFY(QApplication::topLevelWidgets().isEmpty());
}

void RepaintTest::quietTickRepaintsOnlyTheSeconds()
{
    ScriptedPlatform platform;
    fang w(platform);
    startRound(w, platform, QStringLiteral("Quendolin"), TopRow);
    showAndSettle(w);

    PaintRecorder recorder;
    w.Zeit1_Timer();
    QCoreApplication::processEvents();
    QCOMPARE(w.Bezeichnung6->text(), QStringLiteral("1"));
    QCOMPARE(recorder.painted, QSet<QObject *>{w.Bezeichnung6});
    w.Zeit1->stop();
}

void RepaintTest::moveWithoutCatchRepaintsOnlyTheField()
{
    ScriptedPlatform platform;
    fang w(platform);
    startRound(w, platform, QStringLiteral("Quendolin"), TopRow);
    showAndSettle(w);

    PaintRecorder recorder;
    w.Form_KeyDown(fang::KeyRight, 0);
    QCoreApplication::processEvents();
    QCOMPARE(w.MODUL1.PlayerX, 10);
    QVERIFY(recorder.painted.contains(w.Bezeichnung8));
    for (QObject *painted : std::as_const(recorder.painted))
        QVERIFY2(painted == w.Bild5 || painted->parent() == w.Bild5, qPrintable(painted->metaObject()->className()));
    w.Zeit1->stop();
}

QTEST_MAIN(RepaintTest)
#include "repaint_test.moc"
