#include "ui/zaplabel.h"

#include "ui/accessibility.h"
#include "ui/controls.h"
#include "ui/fang.h"
#include "ui/windowplacement.h"

#include <QCloseEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QScreen>

namespace {

// Captions of this window default to its label font.
Label *captionLabel(QWidget *parent, const QRect &geometry, const QString &caption, const QColor &foreground,
                    const QColor &background, Qt::Alignment alignment, const QFont &font = sansFont(18, true))
{
    return makeLabel(parent, geometry, caption, foreground, background, alignment, font);
}

const QColor Orange(0xFF, 0x80, 0x00);
const QColor Panel(0xFF, 0xC0, 0x80);
const QColor DarkOrange(0xC0, 0x40, 0x00);

QString release()
{
#ifdef ZAPLINO_VERSION
    return QStringLiteral(ZAPLINO_VERSION);
#else
    return QStringLiteral("1.0");
#endif
}

// Our sans-serif runs wider than the one the title was laid out for: close up its
// letters just enough that the whole title fits, instead of losing its left end.
void fitCaption(Label *label)
{
    QFont font = label->font();
    const QString caption = label->text();
    const int excess = QFontMetrics(font).horizontalAdvance(caption) - label->contentsRect().width();
    if (excess > 0 && !caption.isEmpty()) {
        font.setLetterSpacing(QFont::AbsoluteSpacing, -static_cast<qreal>(excess) / caption.size());
        label->setFont(font);
    }
}

} // namespace

ZAPLABEL::ZAPLABEL(fang &main)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                           | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint)
    , m_main(&main)
{
    setObjectName(QStringLiteral("ZAPLABEL"));
    setWindowTitle(QStringLiteral("Programm-Info"));
    setFixedSize(twipsToPixels(3525), twipsToPixels(3645));
    QPalette p = palette();
    p.setColor(QPalette::Window, Orange);
    p.setColor(QPalette::WindowText, Qt::black);
    setPalette(p);
    setAutoFillBackground(true);
    setFont(sansFont(8.25, true));

    Figur1 = new Shape(DarkOrange, 2, Panel, this);
    Figur1->setGeometry(twipsRect(120, 120, 3255, 3015));

    Bezeichnung2 = captionLabel(this, twipsRect(240, 240, 375, 495), QStringLiteral("Z"), QColor(0xFF, 0x00, 0x00),
                             Panel, Qt::AlignLeft);
    Bezeichnung3 = captionLabel(this, twipsRect(600, 240, 375, 495), QStringLiteral("A"), QColor(0x00, 0x00, 0xFF),
                             Panel, Qt::AlignLeft);
    Bezeichnung4 = captionLabel(this, twipsRect(960, 240, 375, 495), QStringLiteral("P"), QColor(0x00, 0xC0, 0x00),
                             Panel, Qt::AlignRight);
    Bezeichnung5 = captionLabel(this, twipsRect(1320, 240, 1935, 495), QStringLiteral(" - Z a p l i n o"),
                             DarkOrange, Panel, Qt::AlignRight);
    fitCaption(Bezeichnung5);
    Bezeichnung6 = captionLabel(this, twipsRect(240, 720, 3015, 975), QString(), Qt::black, Panel, Qt::AlignLeft,
                             sansFont(8.25, false));
    Bezeichnung6->setWordWrap(true);
    Bezeichnung7 = captionLabel(this, twipsRect(240, 1680, 3015, 615), QString(), Qt::black,
                             QColor(0xFF, 0xE0, 0xC0), Qt::AlignHCenter, sansFont(9.75, false));
    Bezeichnung7->setBorder(true);
    Bezeichnung1 = captionLabel(this, twipsRect(240, 2520, 2175, 495), QStringLiteral("O k a y"),
                             QColor(0x00, 0xC0, 0x00), Panel, Qt::AlignHCenter, sansFont(18, true, true));
    connect(Bezeichnung1, &Label::clicked, this, &ZAPLABEL::Bezeichnung1_Click);

    Bild1 = new PictureBox(this);
    Bild1->setGeometry(twipsRect(2400, 2520, 855, 495));
    Bild1->setBackground(Panel);
    Bild1->setPicture(QStringLiteral(":/icons/okay.svg"));
    Bild1->setFocusPolicy(Qt::StrongFocus);
    // It has no tool tip to name it.
    Bild1->setAccessibleName(QStringLiteral("Okay"));
    connect(Bild1, &PictureBox::clicked, this, &ZAPLABEL::Bild1_Click);

    Bezeichnung8 = captionLabel(this, twipsRect(120, 3240, 3255, 255), QStringLiteral("www.example.org/zaplino"),
                             Qt::black, Orange, Qt::AlignHCenter, sansFont(8.25, true));
    Bild1->setFocus();
    new FocusFrame(this);
    makeAccessible(*this);

    Form_Load();
}

void ZAPLABEL::Form_Load()
{
    // Left: centred across; Top: a quarter of the free height down.
    placeWindow(this, 2.0f, 4.0f);
    Bezeichnung6->setText(QStringLiteral("Zaplino ist Freeware und darf frei benutzt und weitergegeben werden. "
                                         "Verkaufen darf es niemand, denn\r\n"
                                         "alle Rechte bleiben beim Urheber."));
    Bezeichnung7->setText(QStringLiteral("Zaplino-Team, Version ") + release()
                          + QStringLiteral("\r\nzaplino@example.org\r\n"));
}

void ZAPLABEL::Bild1_Click()
{
    hide();
    m_main->show();
    m_main->activateWindow();
    m_main->Form_Activate();
}

void ZAPLABEL::Bezeichnung1_Click()
{
    Bild1_Click();
}

// The frame's close command is a third way back to the game.
void ZAPLABEL::closeEvent(QCloseEvent *event)
{
    event->ignore();
    Bild1_Click();
}
