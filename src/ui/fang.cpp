#include "ui/fang.h"

#include "game/platform.h"
#include "ui/accessibility.h"
#include "ui/controls.h"
#include "ui/filepanel.h"
#include "ui/windowplacement.h"
#include "ui/zaplabel.h"

#include <QApplication>
#include <QCloseEvent>
#include <QIcon>
#include <QKeyEvent>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>

namespace {

// Captions of this window default to its label font.
Label *captionLabel(QWidget *parent, const QRect &geometry, const QString &caption, const QColor &foreground,
                    const QColor &background, Qt::Alignment alignment, const QFont &font = sansFont(8.25, true))
{
    return makeLabel(parent, geometry, caption, foreground, background, alignment, font);
}

const QColor ButtonColumn(0xFF, 0xC0, 0x80);
const QColor Frame(0xC0, 0x40, 0x00);
const QColor BoxBorder(0x80, 0x80, 0x80);
// A light desktop's own button colour, for the boxes of a scroll bar on a dark one.
const QColor LightButton(0xEF, 0xEF, 0xEF);
// Text, and a scroll bar's arrows and lines, stand out from what they are drawn on by
// these ratios, as the accessibility guidelines ask.
constexpr double TextContrast = 4.5;
constexpr double PartContrast = 3.0;

Shape *makeShape(QWidget *parent, const QRect &twips, const QColor &border, int width,
                 const QColor &fill = QColor())
{
    auto *shape = new Shape(border, width, fill, parent);
    shape->setGeometry(twips);
    return shape;
}

PictureBox *makeButton(QWidget *parent, int top, const QString &picture, const QString &toolTip)
{
    auto *button = new PictureBox(parent);
    button->setGeometry(twipsRect(120, top, 495, 495));
    button->setBackground(ButtonColumn);
    button->setPicture(picture);
    button->setToolTip(toolTip);
    button->setAccessibleName(toolTip);
    button->setFocusPolicy(Qt::TabFocus);
    return button;
}

} // namespace

fang::fang(Platform &platform, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                          | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint
                          | Qt::MSWindowsFixedSizeDialogHint)
    , m_platform(&platform)
{
    setObjectName(QStringLiteral("fang"));
    setWindowTitle(QStringLiteral("Zaplino"));
    // A scalable icon is parsed and drawn anew for every size the window system asks
    // for, up to 128 pixels, at every start; the menu and the taskbar show the
    // installed theme icon, so a few small sizes drawn once do.
    setWindowIcon(iconAtSizes(QStringLiteral(":/icons/cat.svg"), {16, 24, 32, 48, 64}));
    setFixedSize(twipsToPixels(8190), twipsToPixels(6030));
    QPalette p = palette();
    p.setColor(QPalette::Window, QColor(0xFF, 0xE0, 0xC0));
    p.setColor(QPalette::WindowText, Qt::black);
    setPalette(p);
    setAutoFillBackground(true);
    setFont(sansFont(13.5, true));

    // Created bottom to top: shapes, then labels, then the controls that lie above them.
    Figur2 = makeShape(this, twipsRect(0, 0, 735, 6015), Frame, 3, ButtonColumn);
    Shape1 = makeShape(this, twipsRect(720, 0, 7455, 6015), Frame, 3);
    Figur4 = makeShape(this, twipsRect(960, 120, 2175, 495), BoxBorder, 2, Qt::white);
    Figur3 = makeShape(this, twipsRect(3240, 120, 1095, 495), BoxBorder, 2, Qt::white);
    Figur1 = makeShape(this, twipsRect(4440, 120, 3135, 495), BoxBorder, 2, Qt::white);
    Figur5 = makeShape(this, twipsRect(7560, 120, 495, 495), BoxBorder, 2, Qt::white);
    Figur6 = makeShape(this, twipsRect(960, 5400, 7095, 495), BoxBorder, 2);

    createTopBar();
    createBottomBar();
    createHiddenControls();
    createButtonColumn();
    createPlayingField();
    createFilePanel();
    createHighScorePanel();
    setTabOrder();
    new FocusFrame(this);
    makeAccessible(*this);

    Zeit1 = new QTimer(this);
    Zeit1->setInterval(1000);
    connect(Zeit1, &QTimer::timeout, this, &fang::Zeit1_Timer);

    connect(&m_scores, &ScoreStore::loaded, this, &fang::highScoresLoaded);
    connect(&m_scores, &ScoreStore::saved, this, &fang::highScoresSaved);
    m_calm = new QTimer(this);
    m_calm->setInterval(250);
    connect(m_calm, &QTimer::timeout, this, &fang::tellFileFailures);

    qApp->installEventFilter(this);
    Form_Load();
}

fang::~fang()
{
    qApp->removeEventFilter(this);
}

void fang::createButtonColumn()
{
    Bild2 = makeButton(this, 120, QStringLiteral(":/icons/quit.svg"), QStringLiteral("Beenden"));
    Bild3 = makeButton(this, 840, QStringLiteral(":/icons/files.svg"), QStringLiteral("Dateien"));
    Bild7 = makeButton(this, 1560, QStringLiteral(":/icons/players.svg"), QStringLiteral("Benutzer"));
    Bild10 = makeButton(this, 2280, QStringLiteral(":/icons/newword.svg"), QStringLiteral("Neues Wort"));
    Bild6 = makeButton(this, 3000, QStringLiteral(":/icons/pause.svg"), QStringLiteral("Spielpause"));
    Bild9 = makeButton(this, 3720, QStringLiteral(":/icons/highscores.svg"), QStringLiteral("Bestenliste"));
    Bild4 = makeButton(this, 4440, QStringLiteral(":/icons/help.svg"), QStringLiteral("Hilfetext"));
    Bild8 = makeButton(this, 5160, QStringLiteral(":/icons/info.svg"), QStringLiteral("Copyright"));

    connect(Bild2, &PictureBox::clicked, this, &fang::Bild2_Click);
    connect(Bild3, &PictureBox::clicked, this, &fang::Bild3_Click);
    connect(Bild7, &PictureBox::clicked, this, &fang::Bild7_Click);
    connect(Bild10, &PictureBox::clicked, this, &fang::Bild10_Click);
    connect(Bild6, &PictureBox::clicked, this, &fang::Bild6_Click);
    connect(Bild9, &PictureBox::clicked, this, &fang::Bild9_Click);
    connect(Bild4, &PictureBox::clicked, this, &fang::Bild4_Click);
    connect(Bild8, &PictureBox::clicked, this, &fang::Bild8_Click);
}

void fang::createTopBar()
{
    const QColor text = Qt::black;
    const QColor white = Qt::white;
    Bezeichnung14 = captionLabel(this, twipsRect(1080, 240, 1935, 255), QStringLiteral("Freund und Gast"),
                              text, white, Qt::AlignLeft);
    Bezeichnung6 = captionLabel(this, twipsRect(3360, 240, 495, 255), QStringLiteral("0"), text, white,
                             Qt::AlignRight);
    Bezeichnung7 = captionLabel(this, twipsRect(3840, 240, 465, 255), QStringLiteral(" Sek"), text, white,
                             Qt::AlignHCenter);
    Bezeichnung1 = captionLabel(this, twipsRect(4560, 240, 735, 255), QStringLiteral("schnell"), text, white,
                             Qt::AlignLeft);
    Bezeichnung2 = captionLabel(this, twipsRect(6720, 240, 735, 255), QStringLiteral("langsam"), text, white,
                             Qt::AlignRight);
    Bezeichnung15 = captionLabel(this, twipsRect(7680, 240, 255, 255), QStringLiteral("10"), text, white,
                              Qt::AlignRight);

    HBildlauf1 = new ScrollBar(Qt::Horizontal, this);
    HBildlauf1->setGeometry(twipsRect(5280, 240, 1335, 255));
    HBildlauf1->setRange(3, 15);
    HBildlauf1->setSingleStep(1);
    HBildlauf1->setPageStep(1);
    HBildlauf1->setValue(10);
    HBildlauf1->setFocusPolicy(Qt::StrongFocus);
    drawFlat(HBildlauf1);
    // It stands in a white box: light like it on a dark desktop too, its black arrows
    // and lines plain to see.
    fitColors(HBildlauf1, {{QPalette::Base, Qt::black, PartContrast, Qt::white},
                           {QPalette::Button, Qt::black, PartContrast, LightButton}});
    // The value follows the thumb while it is dragged, so the period shown, the one the
    // clock reads and the one a round won mid-drag records are the same: each step of a
    // drag is a Scroll, any other change a Change.
    connect(HBildlauf1, &QScrollBar::valueChanged, this, [this] {
        if (HBildlauf1->isSliderDown())
            HBildlauf1_Scroll();
        else
            HBildlauf1_Change();
    });
}

void fang::createPlayingField()
{
    Bild5 = new PictureBox(this);
    Bild5->setGeometry(twipsRect(960, 720, 7095, 4575));
    Bild5->setBackground(Qt::white);
    Bild5->setForeground(Qt::black);
    Bild5->setBorder(true);
    Bild5->setFont(sansFont(18, true));
    Bild5->setFocusPolicy(Qt::StrongFocus);
    Bild5->setAccessibleName(QStringLiteral("Spielfeld"));
    connect(Bild5, &PictureBox::clicked, this, &fang::Bild5_Click);

    Bezeichnung8 = new Label(QStringLiteral("+"), Bild5);
    Bezeichnung8->resize(twipsRect(0, 0, 255, 375).size());
    Bild5->placeChild(Bezeichnung8, 3480, 3960);
    QPalette p = Bezeichnung8->palette();
    p.setColor(QPalette::WindowText, QColor(0xFF, 0x00, 0x00));
    Bezeichnung8->setPalette(p);
    Bezeichnung8->setTransparent();
    Bezeichnung8->setFont(sansFont(18, true));
    Bezeichnung8->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    Bezeichnung8->setAttribute(Qt::WA_TransparentForMouseEvents);
    Bezeichnung8->hide();
}

void fang::createBottomBar()
{
    const QFont big = sansFont(18, true);
    Bezeichnung4 = captionLabel(this, twipsRect(960, 5400, 3495, 495), QString(), QColor(0x00, 0xC0, 0x00),
                             QColor(0xC0, 0xFF, 0xC0), Qt::AlignRight, big);
    Bezeichnung4->setBorder(true);
    Bezeichnung3 = captionLabel(this, twipsRect(4440, 5400, 495, 495), QString(), QColor(0xFF, 0x00, 0x00),
                             QColor(0xFF, 0xC0, 0xC0), Qt::AlignHCenter, big);
    Bezeichnung3->setBorder(true);
    Bezeichnung5 = captionLabel(this, twipsRect(4920, 5400, 3135, 495), QString(), QColor(0x00, 0x00, 0xFF),
                             QColor(0xC0, 0xFF, 0xFF), Qt::AlignLeft, big);
    Bezeichnung5->setBorder(true);
}

void fang::createFilePanel()
{
    const QColor light(0xFF, 0xC0, 0x80);
    Bild11 = new PictureBox(this);
    Bild11->setGeometry(twipsRect(720, 0, 7455, 6015));
    Bild11->setBackground(Frame);

    const QFont font = sansFont(9.75, true);
    auto style = [&](QWidget *w, const QRect &geometry) {
        w->setGeometry(geometry);
        w->setFont(font);
        QPalette p = w->palette();
        p.setColor(QPalette::Base, light);
        p.setColor(QPalette::Button, light);
        p.setColor(QPalette::Window, light);
        p.setColor(QPalette::Text, Qt::black);
        p.setColor(QPalette::ButtonText, Qt::black);
        w->setPalette(p);
        drawFlat(w);
    };
    Laufwerk1 = new DriveListBox(Bild11);
    style(Laufwerk1, twipsRect(240, 120, 6975, 360));
    Verzeichnis1 = new DirListBox(Bild11);
    style(Verzeichnis1, twipsRect(240, 630, 6975, 1980));
    Datei1 = new FileListBox(Bild11);
    style(Datei1, twipsRect(240, 2760, 6975, 3150));
    Datei1->setPattern(QStringLiteral("*.TXT"));
    connect(Laufwerk1, &DriveListBox::changed, this, &fang::Laufwerk1_Change);
    connect(Verzeichnis1, &DirListBox::changed, this, &fang::Verzeichnis1_Change);
    connect(Verzeichnis1, &DirListBox::openFailed, this, &fang::reportUnreadableFolder);
    connect(Datei1, &QListWidget::itemDoubleClicked, this, &fang::Datei1_DblClick);
    connect(Datei1, &FileListBox::keyActivated, this, &fang::Datei1_DblClick);
    Bild11->hide();
}

void fang::createHighScorePanel()
{
    const QColor light(0xFF, 0xC0, 0x80);
    Bild1 = new PictureBox(this);
    Bild1->setGeometry(twipsRect(8400, 840, 5415, 4335));
    Bild1->setBackground(light);
    Bild1->setBorder(true);

    Bezeichnung17 = captionLabel(Bild1, twipsRect(120, 0, 5175, 255), QStringLiteral("B e s t e n l i s t e"),
                              Qt::black, light, Qt::AlignHCenter, sansFont(12, true));
    Bild1->placeChild(Bezeichnung17, 120, 0);
    Bezeichnung12 = captionLabel(Bild1, twipsRect(120, 360, 5175, 255),
                              QStringLiteral("Wort Zeit Diff Benutzername"), Qt::black, Frame,
                              Qt::AlignLeft, fixedFont(12, true));
    Bezeichnung12->setBorder(true);
    // Its words stand over the columns of the entries below, to the pixel.
    Bezeichnung12->setContentsMargins(1 + ListTextIndent, 1, 1, 1);
    Bild1->placeChild(Bezeichnung12, 120, 360);

    Liste1 = new ListBox(Bild1);
    Liste1->setGeometry(twipsRect(120, 600, 5175, 3270));
    Bild1->placeChild(Liste1, 120, 600);
    Liste1->setFont(fixedFont(12, true));
    drawFlat(Liste1);
    const QColor listBackground(0xFF, 0xE0, 0xC0);
    QPalette p = Liste1->palette();
    p.setColor(QPalette::Base, listBackground);
    Liste1->setPalette(p);
    // The entries in the desktop's text colour, unless that is too light for the list's
    // fixed background (a dark desktop's); so too the arrows' boxes of its scroll bar.
    fitColors(Liste1, {{QPalette::Text, listBackground, TextContrast, Qt::black},
                       {QPalette::Button, Qt::black, PartContrast, LightButton}});
    // Display only: choosing an entry means nothing.
    Liste1->setSelectionMode(QAbstractItemView::NoSelection);

    Bezeichnung20 = captionLabel(Bild1, twipsRect(120, 3960, 5175, 375),
                              QStringLiteral(">>  Das Fenster hier mit einem Klick schließen  <<"),
                              QColor(0x80, 0x40, 0x00), light, Qt::AlignHCenter, sansFont(9.75, true));
    Bild1->placeChild(Bezeichnung20, 120, 3960);
    // It reaches down to the panel's edge: drawn without a background of its own
    // (the panel's colour shows through), it leaves the panel's border visible.
    Bezeichnung20->setTransparent();
    connect(Bezeichnung20, &Label::clicked, this, &fang::Bezeichnung20_Click);
}

void fang::createHiddenControls()
{
    Bezeichnung9 = captionLabel(this, twipsRect(8880, 120, 495, 375), QStringLiteral("Bezeichnung9"), Qt::black,
                             QColor(0xFF, 0xFF, 0x00), Qt::AlignLeft);
    Bezeichnung10 = captionLabel(this, twipsRect(8400, 5520, 3975, 375), QString(), Qt::black,
                              QColor(0xC0, 0xFF, 0xC0), Qt::AlignLeft);
    Bezeichnung11 = captionLabel(this, twipsRect(9360, 120, 4575, 375), QString(), Qt::black, Qt::white,
                              Qt::AlignLeft);
    List1 = new ListBox(this);
    List1->setGeometry(twipsRect(11160, 600, 2775, 5070));
    List1->setFont(sansFont(9.75, true));
}

void fang::setTabOrder()
{
    // The file panel's lists close the round: from the scroll bar, where the focus starts,
    // one Shift+Tab reaches the file list. Labels and the panels' backgrounds take no focus.
    const QList<QWidget *> order = {HBildlauf1, Bild5, Bild1, Liste1, Bild2, Bild3, Bild4, Bild6, Bild7,
                                    Bild8, Bild9, Bild10, Laufwerk1, Verzeichnis1, Datei1};
    // Qt chains only controls that take the focus; those out of sight drop out after.
    for (QWidget *w : order) {
        if (w->focusPolicy() == Qt::NoFocus)
            w->setFocusPolicy(Qt::TabFocus);
    }
    for (qsizetype i = 0; i + 1 < order.size(); ++i)
        QWidget::setTabOrder(order[i], order[i + 1]);
    List1->setFocusPolicy(Qt::NoFocus);
    focusOnlyInSight();
    HBildlauf1->setFocus();
}

// The high-score panel and its list take no focus while the panel stands outside the
// window, where Qt would still count them as visible. (A hidden file panel takes its
// lists out of the tab order by itself; the controls it covers keep theirs.)
void fang::focusOnlyInSight()
{
    const bool scoresOpen = Bild1->x() < width();
    Bild1->setFocusPolicy(scoresOpen ? Qt::TabFocus : Qt::NoFocus);
    Liste1->setFocusPolicy(scoresOpen ? Qt::StrongFocus : Qt::NoFocus);
}

void fang::Form_Load()
{
    // Top and Left: (screen - window) / 2, the window's outer size counted.
    placeWindow(this, 2.0f, 2.0f);
}

void fang::Form_Activate()
{
    LoadHighScores();
    MODUL1.CurrentWord = board::DefaultWord;
    NextWord();
}

int fang::keyCode(int qtKey)
{
    switch (qtKey) {
    case Qt::Key_Escape:
        return KeyEscape;
    case Qt::Key_Left:
        return KeyLeft;
    case Qt::Key_Up:
        return KeyUp;
    case Qt::Key_Right:
        return KeyRight;
    case Qt::Key_Down:
        return KeyDown;
    default:
        return 0;
    }
}

// Opening a panel leaves the focus where it is; focus left in a closing panel goes to
// the playing field, where the next round starts.
void fang::focusFollowsPanel(QWidget *panel)
{
    focusOnlyInSight();
    const bool closed = panel == Bild11 ? Bild11->isHidden() : Bild1->x() >= width();
    QWidget *focus = focusWidget();
    if (closed && focus && (focus == panel || panel->isAncestorOf(focus)))
        Bild5->setFocus();
}

// The same filter sees the panels open and close, and previews the keys.
bool fang::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    // While the game waits to end, no click or key reaches it.
    if (m_leaving && watched->isWidgetType() && static_cast<QWidget *>(watched)->window() == this) {
        switch (type) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::Wheel:
        case QEvent::Shortcut:
        case QEvent::ContextMenu:
            return true;
        default:
            break;
        }
    }
    if ((watched == Bild11 && (type == QEvent::Show || type == QEvent::Hide))
        || (watched == Bild1 && type == QEvent::Move))
        focusFollowsPanel(static_cast<QWidget *>(watched));
    if ((type == QEvent::KeyPress || type == QEvent::KeyRelease) && watched->isWidgetType()
        && static_cast<QWidget *>(watched)->window() == this)
        previewKey(static_cast<QWidget *>(watched), static_cast<QKeyEvent *>(event));
    return QWidget::eventFilter(watched, event);
}

// Key preview: the window sees every key press before the focused control and never
// consumes it. A key the control leaves unused goes on, as the same event, to each
// parent in turn, and a box the handler opens may move the focus meanwhile; so a press
// is marked where it is first seen, at the focused control, and its arrivals at the
// next parents are passed by. Its release ends the mark: the next press may come in
// the same event object.
void fang::previewKey(QWidget *receiver, QKeyEvent *key)
{
    if (key->type() == QEvent::KeyRelease) {
        m_keyPress = nullptr;
        return;
    }
    if (key == m_keyPress && m_keyPressAt && receiver == m_keyPressAt->parentWidget()) {
        m_keyPressAt = receiver;
        return;
    }
    QWidget *focus = QApplication::focusWidget();
    if (receiver != focus && !(receiver == this && (!focus || focus->window() != this)))
        return;
    m_keyPress = key;
    m_keyPressAt = receiver;
    int shift = 0;
    if (key->modifiers() & Qt::ShiftModifier)
        shift |= 1;
    if (key->modifiers() & Qt::ControlModifier)
        shift |= 2;
    if (key->modifiers() & Qt::AltModifier)
        shift |= 4;
    Form_KeyDown(keyCode(key->key()), shift);
}

// Closing through the frame asks the quit question, once; only the quit itself closes.
void fang::closeEvent(QCloseEvent *event)
{
    if (m_quitting) {
        event->accept();
        return;
    }
    event->ignore();
    Bild2_Click();
}
