#include "scriptedplatform.h"
#include "ui/controls.h"
#include "ui/fang.h"
#include "ui/filepanel.h"

#include <QApplication>
#include <QImage>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>

class ControlsTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void pictureBoxShowsANewPictureAtOnce();
    void pictureBoxDrawsItsPictureSharpAtEveryPixelRatio();
    void iconIsDrawnAtEachSize();
    void flatControlHasOneDarkLineRoundItsBackground_data();
    void flatControlHasOneDarkLineRoundItsBackground();
    void scrollBarThumbStandsOutFromItsTrough_data();
    void scrollBarThumbStandsOutFromItsTrough();
};

namespace {

void setUpButton(PictureBox &box, const QString &picture)
{
    box.resize(33, 33);
    box.setBackground(QColor(0xFF, 0xC0, 0x80));
    box.setPicture(picture);
}

QImage rendered(PictureBox &box, qreal ratio)
{
    QImage image(box.size() * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::black);
    box.render(&image);
    return image;
}

} // namespace

void ControlsTest::cleanup()
{
    QVERIFY(QApplication::topLevelWidgets().isEmpty());
}

void ControlsTest::pictureBoxShowsANewPictureAtOnce()
{
    PictureBox plain;
    setUpButton(plain, QString());
    PictureBox box;
    setUpButton(box, QStringLiteral(":/icons/quit.svg"));
    const QImage quit = rendered(box, 1);
    QVERIFY(quit != rendered(plain, 1));

    box.setPicture(QStringLiteral(":/icons/help.svg"));
    PictureBox help;
    setUpButton(help, QStringLiteral(":/icons/help.svg"));
    QCOMPARE(rendered(box, 1), rendered(help, 1));
    QVERIFY(rendered(box, 1) != quit);

    box.setPicture(QString());
    QCOMPARE(rendered(box, 1), rendered(plain, 1));
}

// A picture drawn once for one screen must not be scaled up, blurred, for another.
void ControlsTest::pictureBoxDrawsItsPictureSharpAtEveryPixelRatio()
{
    PictureBox box;
    setUpButton(box, QStringLiteral(":/icons/info.svg"));
    const QImage single = rendered(box, 1);
    const QImage twice = rendered(box, 2);
    PictureBox fresh;
    setUpButton(fresh, QStringLiteral(":/icons/info.svg"));
    QCOMPARE(twice, rendered(fresh, 2));
    QCOMPARE(rendered(box, 1), single);
}

void ControlsTest::iconIsDrawnAtEachSize()
{
    const QIcon icon = iconAtSizes(QStringLiteral(":/icons/cat.svg"), {16, 48});
    QCOMPARE(icon.availableSizes(), (QList<QSize>{{16, 16}, {48, 48}}));
    for (int size : {16, 48}) {
        const QImage image = icon.pixmap(size, size).toImage();
        QCOMPARE(image.size(), QSize(size, size));
        // The cat fills the middle; the corners stay see-through.
        QVERIFY(image.pixelColor(size / 2, size / 2).alpha() > 0);
        QCOMPARE(image.pixelColor(0, 0).alpha(), 0);
    }
}

namespace {

QWidget *control(fang &w, const QString &name)
{
    const QHash<QString, QWidget *> controls{{"Laufwerk1", w.Laufwerk1}, {"Verzeichnis1", w.Verzeichnis1},
                                             {"Datei1", w.Datei1},       {"Liste1", w.Liste1},
                                             {"HBildlauf1", w.HBildlauf1}};
    return controls.value(name);
}

bool dark(QColor c)
{
    return c.red() < 64 && c.green() < 64 && c.blue() < 64;
}

int lightness(QColor c)
{
    return (c.red() * 299 + c.green() * 587 + c.blue() * 114) / 1000;
}

} // namespace

void ControlsTest::flatControlHasOneDarkLineRoundItsBackground_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QColor>("background");
    QTest::newRow("drive list") << "Laufwerk1" << QColor(0xFF, 0xC0, 0x80);
    QTest::newRow("folder list") << "Verzeichnis1" << QColor(0xFF, 0xC0, 0x80);
    QTest::newRow("file list") << "Datei1" << QColor(0xFF, 0xC0, 0x80);
    QTest::newRow("high-score list") << "Liste1" << QColor(0xFF, 0xE0, 0xC0);
}

// No gradient, no rounded corner, no second, lighter line of an etched frame.
void ControlsTest::flatControlHasOneDarkLineRoundItsBackground()
{
    QFETCH(QString, name);
    QFETCH(QColor, background);
    ScriptedPlatform platform;
    fang w(platform);
    w.Bild11->show();
    const QImage image = control(w, name)->grab().toImage();
    const int right = image.width() - 1;
    const int bottom = image.height() - 1;
    for (int x = 0; x <= right; ++x) {
        QVERIFY2(dark(image.pixelColor(x, 0)) && dark(image.pixelColor(x, bottom)), qPrintable(QString::number(x)));
        // Short of any text or highlight.
        if (x >= 1 && x < 10)
            QCOMPARE(image.pixelColor(x, 1), background);
    }
    for (int y = 0; y <= bottom; ++y) {
        QVERIFY2(dark(image.pixelColor(0, y)) && dark(image.pixelColor(right, y)), qPrintable(QString::number(y)));
        if (y >= 1 && y < bottom)
            QCOMPARE(image.pixelColor(1, y), background);
    }
}

void ControlsTest::scrollBarThumbStandsOutFromItsTrough_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("period") << "HBildlauf1";
    QTest::newRow("high-score list") << "Liste1";
}

void ControlsTest::scrollBarThumbStandsOutFromItsTrough()
{
    QFETCH(QString, name);
    ScriptedPlatform platform;
    fang w(platform);
    for (int i = 0; i < 40; ++i)
        w.Liste1->addItem(QStringLiteral("   4   37   10 Anna"));
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.Bild9_Click();
    QCoreApplication::processEvents();
    QWidget *widget = control(w, name);
    auto *bar = qobject_cast<QScrollBar *>(widget);
    if (!bar)
        bar = static_cast<QAbstractScrollArea *>(widget)->verticalScrollBar();
    QVERIFY(bar->isVisible());

    QStyleOptionSlider option;
    option.initFrom(bar);
    option.orientation = bar->orientation();
    if (bar->orientation() == Qt::Horizontal)
        option.state |= QStyle::State_Horizontal;
    option.minimum = bar->minimum();
    option.maximum = bar->maximum();
    option.sliderPosition = bar->sliderPosition();
    option.pageStep = bar->pageStep();
    const QRect thumb = bar->style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, bar);
    const QRect groove = bar->style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarGroove, bar);
    // The end of the trough farther from the thumb.
    const QPoint start = groove.topLeft() + QPoint(2, 2);
    const QPoint end = groove.bottomRight() - QPoint(2, 2);
    const QPoint trough =
        (thumb.center() - start).manhattanLength() > (thumb.center() - end).manhattanLength() ? start : end;
    const QImage image = bar->grab().toImage();
    const int contrast = std::abs(lightness(image.pixelColor(thumb.center())) - lightness(image.pixelColor(trough)));
    QVERIFY2(contrast >= 96, qPrintable(QString::number(contrast)));
}

QTEST_MAIN(ControlsTest)
#include "controls_test.moc"
