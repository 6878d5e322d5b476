#include "ui/controls.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QFrame>
#include <QKeyEvent>
#include <QMetaMethod>
#include <QMouseEvent>
#include <QPaintEngine>
#include <QPainter>
#include <QPointer>
#include <QProxyStyle>
#include <QStringListModel>
#include <QStyleOptionComplex>
#include <QStyledItemDelegate>
#include <QSvgRenderer>

#include <algorithm>
#include <cmath>

int twipsToPixels(double twips)
{
    return static_cast<int>(std::lround(twips / TwipsPerPixel));
}

QRect twipsRect(int left, int top, int width, int height)
{
    return QRect(twipsToPixels(left), twipsToPixels(top), twipsToPixels(width), twipsToPixels(height));
}

namespace {

QFont layoutFont(const QStringList &families, QFont::StyleHint hint, double points, bool bold)
{
    QFont font;
    font.setFamilies(families);
    font.setStyleHint(hint);
    font.setPixelSize(static_cast<int>(std::lround(points * 96.0 / 72.0)));
    font.setBold(bold);
    return font;
}

} // namespace

QFont sansFont(double points, bool bold, bool italic)
{
    QFont font = layoutFont({QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")},
                            QFont::SansSerif, points, bold);
    font.setItalic(italic);
    return font;
}

QFont fixedFont(double points, bool bold)
{
    return layoutFont({QStringLiteral("Liberation Mono"), QStringLiteral("DejaVu Sans Mono")},
                      QFont::Monospace, points, bold);
}

void drawFrame(QPainter &painter, const QRect &rect, const QColor &color, int width)
{
    const QTransform toDevice = painter.deviceTransform();
    const QRectF mapped = toDevice.mapRect(QRectF(rect));
    // Edges rounded as Qt rounds a widget's own, so that the border is flush with it.
    const QRect outer(QPoint(qRound(mapped.left()), qRound(mapped.top())),
                      QPoint(qRound(mapped.right()) - 1, qRound(mapped.bottom()) - 1));
    // Rounded up: a child laid a line's width inside the rectangle then leaves no gap.
    const int line = std::max(1, static_cast<int>(std::ceil(width * toDevice.m11() - 1e-6)));
    painter.save();
    // Straight in device pixels from here.
    painter.setWorldTransform(toDevice.inverted() * painter.worldTransform());
    painter.fillRect(outer.x(), outer.y(), outer.width(), line, color);
    painter.fillRect(outer.x(), outer.bottom() + 1 - line, outer.width(), line, color);
    painter.fillRect(outer.x(), outer.y(), line, outer.height(), color);
    painter.fillRect(outer.right() + 1 - line, outer.y(), line, outer.height(), color);
    painter.restore();
}

namespace {

// The contrast ratio of two colours as the accessibility guidelines reckon it, 1 to 21.
double contrastRatio(const QColor &a, const QColor &b)
{
    const auto luminance = [](const QColor &c) {
        const auto linear = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
    };
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

} // namespace

void fitColors(QWidget *control, const QList<ColorFit> &fits)
{
    const QPalette desktop = QApplication::palette(control);
    QPalette p = control->palette();
    for (const ColorFit &fit : fits) {
        for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
            const QColor color = desktop.color(group, fit.role);
            p.setColor(group, fit.role, contrastRatio(color, fit.against) >= fit.ratio ? color : fit.fallback);
        }
    }
    // Set where the desktop's colour stays too: a readable colour then stays when the
    // desktop's colours change while the game runs.
    control->setPalette(p);
}

void ClickTracker::press(const QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        m_pressed = true;
}

bool ClickTracker::release(const QWidget *widget, const QMouseEvent *event)
{
    const bool click = m_pressed && event->button() == Qt::LeftButton
                       && widget->rect().contains(event->position().toPoint());
    m_pressed = false;
    return click;
}

bool ClickTracker::key(const QWidget *widget, const QKeyEvent *event)
{
    // A key held down repeats: only its first press counts.
    if (event->isAutoRepeat() || !widget->hasFocus() || (event->modifiers() & ~Qt::KeypadModifier))
        return false;
    return event->key() == Qt::Key_Space || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
}

QIcon iconAtSizes(const QString &resource, std::initializer_list<int> sizes)
{
    QSvgRenderer renderer(resource);
    QIcon icon;
    for (int size : sizes) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        renderer.render(&painter);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

PictureBox::PictureBox(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PictureBox::setBackground(const QColor &color)
{
    m_background = color;
    update();
}

void PictureBox::setForeground(const QColor &color)
{
    m_foreground = color;
    update();
}

void PictureBox::setBorder(bool border)
{
    m_border = border;
    update();
}

void PictureBox::setPicture(const QString &resource)
{
    m_picture = resource;
    m_pictureCache = QPixmap();
    update();
}

bool PictureBox::isClickable() const
{
    return isSignalConnected(QMetaMethod::fromSignal(&PictureBox::clicked));
}

QPoint PictureBox::contentOrigin() const
{
    return m_border ? QPoint(1, 1) : QPoint(0, 0);
}

void PictureBox::placeChild(QWidget *child, int leftTwips, int topTwips)
{
    child->move(contentOrigin() + QPoint(twipsToPixels(leftTwips), twipsToPixels(topTwips)));
}

void PictureBox::clear()
{
    m_canvas.clear();
    update();
}

void PictureBox::setTextPosition(int xTwips, int yTwips)
{
    m_canvas.setTextPosition(xTwips, yTwips);
}

void PictureBox::printLine(const QString &text)
{
    m_canvas.printLine(text, lineHeightTwips());
    if (!text.isEmpty())
        update();
}

int PictureBox::lineHeightTwips() const
{
    return static_cast<int>(fontMetrics().height() * TwipsPerPixel);
}

void PictureBox::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), m_background);
    if (!m_picture.isEmpty()) {
        const qreal ratio = painter.paintEngine()->paintDevice()->devicePixelRatioF();
        if (m_pictureCache.isNull() || m_pictureCache.devicePixelRatio() != ratio) {
            m_pictureCache = QPixmap(QSize(32, 32) * ratio);
            m_pictureCache.setDevicePixelRatio(ratio);
            m_pictureCache.fill(Qt::transparent);
            QPainter picturePainter(&m_pictureCache);
            QSvgRenderer(m_picture).render(&picturePainter, QRectF(0, 0, 32, 32));
        }
        painter.drawPixmap(contentOrigin(), m_pictureCache);
    }
    if (!m_canvas.items().isEmpty()) {
        painter.setFont(font());
        painter.setPen(m_foreground);
        const QFontMetrics metrics(font());
        for (const PrintedText &item : m_canvas.items()) {
            const QPoint topLeft = contentOrigin() + QPoint(twipsToPixels(item.x), twipsToPixels(item.y));
            painter.drawText(topLeft + QPoint(0, metrics.ascent()), item.text);
        }
    }
    if (m_border)
        drawFrame(painter, rect(), Qt::black);
}

void PictureBox::mousePressEvent(QMouseEvent *event)
{
    m_click.press(event);
    QWidget::mousePressEvent(event);
}

void PictureBox::mouseReleaseEvent(QMouseEvent *event)
{
    if (m_click.release(this, event))
        emit clicked();
}

void PictureBox::mouseDoubleClickEvent(QMouseEvent *)
{
    m_click.doubleClick();
}

void PictureBox::keyPressEvent(QKeyEvent *event)
{
    if (ClickTracker::key(this, event))
        emit clicked();
    else
        QWidget::keyPressEvent(event);
}

Label::Label(const QString &caption, QWidget *parent)
    : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    setText(caption);
}

void Label::setColors(const QColor &foreground, const QColor &background)
{
    QPalette p = palette();
    p.setColor(QPalette::WindowText, foreground);
    p.setColor(QPalette::Window, background);
    setPalette(p);
    setAutoFillBackground(true);
}

void Label::setTransparent()
{
    setAutoFillBackground(false);
    setAttribute(Qt::WA_TranslucentBackground);
}

void Label::setBorder(bool border)
{
    m_border = border;
    setContentsMargins(border ? QMargins(1, 1, 1, 1) : QMargins());
    update();
}

bool Label::isClickable() const
{
    return isSignalConnected(QMetaMethod::fromSignal(&Label::clicked));
}

void Label::paintEvent(QPaintEvent *event)
{
    QLabel::paintEvent(event);
    if (m_border) {
        QPainter painter(this);
        // QLabel has a drawFrame of its own.
        ::drawFrame(painter, rect(), Qt::black);
    }
}

void Label::mousePressEvent(QMouseEvent *event)
{
    m_click.press(event);
    QLabel::mousePressEvent(event);
}

void Label::mouseReleaseEvent(QMouseEvent *event)
{
    if (m_click.release(this, event))
        emit clicked();
}

void Label::mouseDoubleClickEvent(QMouseEvent *)
{
    m_click.doubleClick();
}

Label *makeLabel(QWidget *parent, const QRect &geometry, const QString &caption, const QColor &foreground,
                 const QColor &background, Qt::Alignment alignment, const QFont &font)
{
    auto *label = new Label(caption, parent);
    label->setGeometry(geometry);
    label->setColors(foreground, background);
    label->setAlignment(alignment | Qt::AlignTop);
    label->setFont(font);
    return label;
}

Shape::Shape(const QColor &border, int borderWidth, const QColor &fill, QWidget *parent)
    : QWidget(parent)
    , m_border(border)
    , m_borderWidth(borderWidth)
    , m_fill(fill)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void Shape::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    if (m_fill.isValid())
        painter.fillRect(rect(), m_fill);
    // The border lies inside the rectangle, as wide as its width in pixels.
    drawFrame(painter, rect(), m_border, m_borderWidth);
}

FocusFrame::FocusFrame(QWidget *window)
    : QWidget(window)
    , m_window(window)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    hide();
    qApp->installEventFilter(this);
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget *, QWidget *now) { follow(now); });
}

FocusFrame::~FocusFrame()
{
    qApp->removeEventFilter(this);
}

bool FocusFrame::eventFilter(QObject *watched, QEvent *event)
{
    const auto inWindow = [&] {
        return watched->isWidgetType() && static_cast<QWidget *>(watched)->window() == m_window;
    };
    switch (event->type()) {
    case QEvent::KeyPress: {
        // Seen before the control moves the focus on, if there is another to move to.
        const int key = static_cast<QKeyEvent *>(event)->key();
        if ((key == Qt::Key_Tab || key == Qt::Key_Backtab) && !m_fromKeyboard && inWindow()) {
            m_fromKeyboard = true;
            follow(QApplication::focusWidget());
        }
        break;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        if (m_fromKeyboard && inWindow()) {
            m_fromKeyboard = false;
            // The style's own focus marks (the current entry of a list) go with it.
            m_window->setAttribute(Qt::WA_KeyboardFocusChange, false);
            follow(nullptr);
        }
        break;
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::Show:
    case QEvent::Hide:
        if (watched == m_target && m_fromKeyboard)
            follow(m_target);
        break;
    default:
        break;
    }
    return false;
}

void FocusFrame::follow(QWidget *focus)
{
    m_target = focus;
    QWidget *container = focus ? focus->parentWidget() : nullptr;
    if (!m_fromKeyboard || !container || focus->window() != m_window || !focus->isVisible()) {
        hide();
        return;
    }
    if (parentWidget() != container)
        setParent(container);
    // One pixel clear of the control, and inside its container, so that all of it shows.
    // The mask leaves room for a line of whole device pixels at any scale.
    setGeometry(focus->geometry().adjusted(-2, -2, 2, 2) & container->rect());
    setMask(QRegion(rect()) - QRegion(rect().adjusted(2, 2, -2, -2)));
    // Just above the control, so that a panel lying over the control covers its frame too.
    raise();
    const QObjectList &siblings = container->children();
    for (qsizetype i = siblings.indexOf(focus) + 1; i < siblings.size(); ++i) {
        auto *above = qobject_cast<QWidget *>(siblings.at(i));
        if (above && above != this && !above->isWindow()) {
            stackUnder(above);
            break;
        }
    }
    show();
}

void FocusFrame::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    drawFrame(painter, rect(), Qt::black);
}

void ScrollBar::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Up:
        triggerAction(SliderSingleStepSub);
        break;
    case Qt::Key_Right:
    case Qt::Key_Down:
        triggerAction(SliderSingleStepAdd);
        break;
    default:
        QScrollBar::keyPressEvent(event);
    }
}

namespace {

const QColor FlatLine = Qt::black;
const QColor Thumb(0x80, 0x80, 0x80);

// Only the drawing of drop-down lists and scroll bars changes; sizes and hit areas stay
// the application style's. One instance serves every flat control.
class FlatStyle : public QProxyStyle
{
public:
    FlatStyle()
        : QProxyStyle(QApplication::style()->name())
    {
    }

    void drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                     const QWidget *widget) const override
    {
        const auto *frame = qstyleoption_cast<const QStyleOptionFrame *>(option);
        if (element == CE_ShapedFrame && frame && frame->frameShape == QFrame::Box
            && !(frame->state & (State_Sunken | State_Raised)))
            drawFrame(*painter, frame->rect, frame->palette.windowText().color(), frame->lineWidth);
        else
            QProxyStyle::drawControl(element, option, painter, widget);
    }

    void drawComplexControl(ComplexControl control, const QStyleOptionComplex *option, QPainter *painter,
                            const QWidget *widget) const override
    {
        if (control == CC_ScrollBar)
            drawScrollBar(option, painter, widget);
        else if (control == CC_ComboBox)
            drawComboBox(option, painter, widget);
        else
            QProxyStyle::drawComplexControl(control, option, painter, widget);
    }

private:
    static void drawBox(QPainter *painter, const QRect &rect, const QColor &fill)
    {
        painter->fillRect(rect, fill);
        drawFrame(*painter, rect, FlatLine);
    }

    void drawArrow(PrimitiveElement arrow, const QStyleOption *option, const QRect &rect, QPainter *painter,
                   const QWidget *widget) const
    {
        QStyleOption arrowOption(*option);
        arrowOption.rect = rect;
        arrowOption.palette.setColor(QPalette::WindowText, FlatLine);
        arrowOption.palette.setColor(QPalette::ButtonText, FlatLine);
        arrowOption.state &= ~(State_Sunken | State_MouseOver);
        proxy()->drawPrimitive(arrow, &arrowOption, painter, widget);
    }

    void drawScrollBar(const QStyleOptionComplex *option, QPainter *painter, const QWidget *widget) const
    {
        const auto *bar = qstyleoption_cast<const QStyleOptionSlider *>(option);
        if (!bar)
            return;
        const bool horizontal = bar->orientation == Qt::Horizontal;
        painter->fillRect(option->rect, option->palette.base());
        const QRect sub = proxy()->subControlRect(CC_ScrollBar, bar, SC_ScrollBarSubLine, widget);
        const QRect add = proxy()->subControlRect(CC_ScrollBar, bar, SC_ScrollBarAddLine, widget);
        drawBox(painter, sub, option->palette.button().color());
        drawBox(painter, add, option->palette.button().color());
        drawArrow(horizontal ? PE_IndicatorArrowLeft : PE_IndicatorArrowUp, option, sub, painter, widget);
        drawArrow(horizontal ? PE_IndicatorArrowRight : PE_IndicatorArrowDown, option, add, painter, widget);
        if (bar->maximum > bar->minimum)
            drawBox(painter, proxy()->subControlRect(CC_ScrollBar, bar, SC_ScrollBarSlider, widget), Thumb);
        drawFrame(*painter, option->rect, FlatLine);
    }

    void drawComboBox(const QStyleOptionComplex *option, QPainter *painter, const QWidget *widget) const
    {
        drawBox(painter, option->rect, option->palette.button().color());
        const QRect arrow = proxy()->subControlRect(CC_ComboBox, option, SC_ComboBoxArrow, widget);
        drawArrow(PE_IndicatorArrowDown, option, arrow, painter, widget);
    }
};

// The entry at the list's own indent, unchanged and on one line.
class PlainTextDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        painter->save();
        painter->setFont(option.font);
        painter->setPen(option.palette.color(QPalette::Text));
        painter->drawText(option.rect.adjusted(ListTextIndent, 0, 0, 0),
                          Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextDontClip,
                          index.data().toString());
        painter->restore();
    }
};

// A list's entries and scroll bars lie a logical pixel inside its frame, which at 150 %
// is one device pixel on some sides and two on others. Drawn once more above them, the
// frame keeps one thickness all round.
class FrameAbove : public QWidget
{
public:
    explicit FrameAbove(QAbstractScrollArea *area)
        : QWidget(area)
        , m_area(area)
    {
        setObjectName(QStringLiteral("frameAbove"));
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFocusPolicy(Qt::NoFocus);
        setGeometry(area->rect());
        area->installEventFilter(this);
        // The list raises its scroll bars above it as it lays them out.
        for (QScrollBar *bar : {area->horizontalScrollBar(), area->verticalScrollBar()})
            bar->parentWidget()->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_area && event->type() == QEvent::Resize)
            setGeometry(m_area->rect());
        if (event->type() == QEvent::Resize || event->type() == QEvent::ZOrderChange)
            raise();
        return false;
    }

    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        drawFrame(painter, rect(), m_area->palette().color(QPalette::WindowText), m_area->lineWidth());
    }

private:
    QAbstractScrollArea *m_area;
};

QStyle *flatStyle()
{
    static QPointer<QStyle> style;
    if (!style) {
        style = new FlatStyle;
        style->setParent(qApp);
    }
    return style;
}

} // namespace

void drawFlat(QWidget *control)
{
    control->setStyle(flatStyle());
    if (auto *area = qobject_cast<QAbstractScrollArea *>(control)) {
        area->setFrameStyle(QFrame::Box | QFrame::Plain);
        area->setLineWidth(1);
        QPalette p = area->palette();
        p.setColor(QPalette::WindowText, FlatLine);
        area->setPalette(p);
        area->horizontalScrollBar()->setStyle(flatStyle());
        area->verticalScrollBar()->setStyle(flatStyle());
        if (!area->findChild<QWidget *>(QStringLiteral("frameAbove"), Qt::FindDirectChildrenOnly))
            (new FrameAbove(area))->show();
    }
}

ListBox::ListBox(QWidget *parent)
    : QListView(parent)
    , m_model(new QStringListModel(this))
{
    setModel(m_model);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setUniformItemSizes(true);
    setFrameShape(QFrame::Box);
    setLineWidth(1);
    setItemDelegate(new PlainTextDelegate(this));
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

void ListBox::addItem(const QString &item)
{
    insertItem(m_model->rowCount(), item);
}

void ListBox::insertItem(int index, const QString &item)
{
    m_model->insertRows(index, 1);
    m_model->setData(m_model->index(index), item);
}

void ListBox::removeItem(int index)
{
    m_model->removeRows(index, 1);
}

void ListBox::setItems(const QStringList &items)
{
    m_model->setStringList(items);
}

void ListBox::clear()
{
    m_model->setStringList({});
}

int ListBox::listCount() const
{
    return m_model->rowCount();
}

QString ListBox::list(int index) const
{
    return m_model->index(index).data().toString();
}

QStringList ListBox::items() const
{
    return m_model->stringList();
}
