#include "scriptedplatform.h"
#include "ui/controls.h"
#include "ui/fang.h"
#include "ui/filepanel.h"

#include <QApplication>
#include <QImage>
#include <QScopeGuard>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>

#include <algorithm>
#include <cmath>

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
    void listAndScrollBarStayReadableOnADarkDesktop_data();
    void listAndScrollBarStayReadableOnADarkDesktop();
    void framesAreEquallyThickOnEverySide_data();
    void framesAreEquallyThickOnEverySide();
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

QStyleOptionSlider sliderOption(QScrollBar *bar)
{
    QStyleOptionSlider option;
    option.initFrom(bar);
    option.orientation = bar->orientation();
    if (bar->orientation() == Qt::Horizontal)
        option.state |= QStyle::State_Horizontal;
    option.minimum = bar->minimum();
    option.maximum = bar->maximum();
    option.sliderPosition = bar->sliderPosition();
    option.pageStep = bar->pageStep();
    return option;
}

QRect scrollBarPart(QScrollBar *bar, QStyle::SubControl part)
{
    const QStyleOptionSlider option = sliderOption(bar);
    return bar->style()->subControlRect(QStyle::CC_ScrollBar, &option, part, bar);
}

// How far what is drawn in the area stands out from the colour at its corner, its
// background: by its most distinct pixel, the full colour of a stroke, as the contrast
// ratio of the accessibility guidelines reckons it.
double drawnContrast(const QImage &image, const QRect &area)
{
    const auto luminance = [](QColor c) {
        const auto linear = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF()) + 0.05;
    };
    const double background = luminance(image.pixelColor(area.topLeft()));
    double best = 1;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const double drawn = luminance(image.pixelColor(x, y));
            best = std::max(best, std::max(drawn, background) / std::min(drawn, background));
        }
    }
    return best;
}

// The window with the high-score panel open and so many entries that its list scrolls.
bool showFullHighScorePanel(fang &w)
{
    for (int i = 0; i < 40; ++i)
        w.Liste1->addItem(QStringLiteral("   4   37   10 Anna"));
    w.show();
    if (!QTest::qWaitForWindowExposed(&w))
        return false;
    w.Bild9_Click();
    return true;
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
    QVERIFY(showFullHighScorePanel(w));
    QCoreApplication::processEvents();
    QWidget *widget = control(w, name);
    auto *bar = qobject_cast<QScrollBar *>(widget);
    if (!bar)
        bar = static_cast<QAbstractScrollArea *>(widget)->verticalScrollBar();
    QVERIFY(bar->isVisible());

    const QRect thumb = scrollBarPart(bar, QStyle::SC_ScrollBarSlider);
    const QRect groove = scrollBarPart(bar, QStyle::SC_ScrollBarGroove);
    // The end of the trough farther from the thumb.
    const QPoint start = groove.topLeft() + QPoint(2, 2);
    const QPoint end = groove.bottomRight() - QPoint(2, 2);
    const QPoint trough =
        (thumb.center() - start).manhattanLength() > (thumb.center() - end).manhattanLength() ? start : end;
    const QImage image = bar->grab().toImage();
    const int contrast = std::abs(lightness(image.pixelColor(thumb.center())) - lightness(image.pixelColor(trough)));
    QVERIFY2(contrast >= 96, qPrintable(QString::number(contrast)));
}

void ControlsTest::listAndScrollBarStayReadableOnADarkDesktop_data()
{
    QTest::addColumn<bool>("darkAtStart");
    QTest::newRow("dark from the start") << true;
    QTest::newRow("desktop turned dark while the game runs") << false;
}

// The list's background and the scroll bar's white box are the game's own colours; the
// desktop's light text and dark boxes would vanish on them.
void ControlsTest::listAndScrollBarStayReadableOnADarkDesktop()
{
    QFETCH(bool, darkAtStart);
    // A dark theme's colours: light text on dark surfaces.
    QPalette dark(QColor(0x32, 0x32, 0x32), QColor(0x35, 0x35, 0x35));
    dark.setColor(QPalette::Base, QColor(0x2D, 0x2D, 0x2D));
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        dark.setColor(role, QColor(0xF0, 0xF0, 0xF0));
    const QPalette desktop = QApplication::palette();
    const auto restore = qScopeGuard([&] { QApplication::setPalette(desktop); });
    if (darkAtStart)
        QApplication::setPalette(dark);
    ScriptedPlatform platform;
    fang w(platform);
    QVERIFY(showFullHighScorePanel(w));
    if (!darkAtStart)
        QApplication::setPalette(dark);
    QCoreApplication::processEvents();

    const QImage entries = w.Liste1->viewport()->grab().toImage();
    const QRect firstEntry = w.Liste1->visualRect(w.Liste1->model()->index(0, 0));
    QCOMPARE(entries.pixelColor(firstEntry.topLeft()), QColor(0xFF, 0xE0, 0xC0));
    const double text = drawnContrast(entries, firstEntry);
    QVERIFY2(text >= 4.5, qPrintable(QString::number(text)));

    for (QScrollBar *bar : {w.HBildlauf1, w.Liste1->verticalScrollBar()}) {
        QVERIFY(bar->isVisible());
        const QImage image = bar->grab().toImage();
        for (QStyle::SubControl arrow : {QStyle::SC_ScrollBarSubLine, QStyle::SC_ScrollBarAddLine}) {
            // Inside the arrow's box, within its outline.
            const double drawn = drawnContrast(image, scrollBarPart(bar, arrow).adjusted(1, 1, -1, -1));
            QVERIFY2(drawn >= 3, qPrintable(QString::number(drawn)));
        }
    }
}

void ControlsTest::framesAreEquallyThickOnEverySide_data()
{
    QTest::addColumn<qreal>("ratio");
    QTest::addColumn<int>("thickness");
    QTest::newRow("at 100 % one pixel") << qreal(1) << 1;
    QTest::newRow("at 150 % two device pixels") << qreal(1.5) << 2;
    QTest::newRow("at 200 % two device pixels") << qreal(2) << 2;
}

// Counted inwards from the middle of each side's outer edge: a fill colour left outside
// the line would count as no frame at all.
void ControlsTest::framesAreEquallyThickOnEverySide()
{
    QFETCH(qreal, ratio);
    QFETCH(int, thickness);
    ScriptedPlatform platform;
    fang w(platform);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.Bild9_Click();
    QImage image(w.size() * ratio, QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    w.render(&image);
    // The playing field, the next letter's box, the high-score panel and its list.
    for (const QRect &r : {QRect(64, 48, 473, 305), QRect(296, 360, 33, 33), QRect(120, 56, 361, 289),
                           QRect(129, 97, 345, 218)}) {
        const QRect device(QPoint(qRound(r.left() * ratio), qRound(r.top() * ratio)),
                           QPoint(qRound((r.right() + 1) * ratio) - 1, qRound((r.bottom() + 1) * ratio) - 1));
        const QPoint middle = device.center();
        QList<int> sides;
        for (const auto &[from, step] : {std::pair{QPoint(device.left(), middle.y()), QPoint(1, 0)},
                                         {QPoint(middle.x(), device.top()), QPoint(0, 1)},
                                         {QPoint(device.right(), middle.y()), QPoint(-1, 0)},
                                         {QPoint(middle.x(), device.bottom()), QPoint(0, -1)}}) {
            int n = 0;
            for (QPoint at = from; n < 10 && dark(image.pixelColor(at)); at += step)
                ++n;
            sides << n;
        }
        QCOMPARE(sides, QList<int>(4, thickness));
    }
}

QTEST_MAIN(ControlsTest)
#include "controls_test.moc"
