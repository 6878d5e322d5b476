#include "ui/controls.h"

#include <QApplication>
#include <QImage>
#include <QTest>

class ControlsTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void pictureBoxShowsANewPictureAtOnce();
    void pictureBoxDrawsItsPictureSharpAtEveryPixelRatio();
    void iconIsDrawnAtEachSize();
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

QTEST_MAIN(ControlsTest)
#include "controls_test.moc"
