#pragma once

#include "game/canvas.h"

#include <QColor>
#include <QFont>
#include <QIcon>
#include <QLabel>
#include <QList>
#include <QListView>
#include <QPalette>
#include <QPixmap>
#include <QPointer>
#include <QRect>
#include <QScrollBar>
#include <QString>
#include <QWidget>

#include <initializer_list>

class QKeyEvent;
class QMouseEvent;
class QPainter;

class QStringListModel;

// Window layouts are laid down in twips; the screen shows 15 twips per logical pixel.
inline constexpr double TwipsPerPixel = 15.0;
int twipsToPixels(double twips);
QRect twipsRect(int left, int top, int width, int height);

// A sans-serif and a fixed-pitch font at a point size of the layout (pixel-sized at
// 96 dpi, so the fonts keep their place in the twip grid on any screen).
QFont sansFont(double points, bool bold, bool italic = false);
QFont fixedFont(double points, bool bold);

// Draws a border of the given width (in logical pixels) along the inside of a rectangle,
// in whole device pixels: as thick on every side at any scale, and flush with the edge,
// where a pen would straddle half pixels at 150 % and 200 %.
void drawFrame(QPainter &painter, const QRect &rect, const QColor &color, int width = 1);

// A colour of a control that the desktop supplies, drawn with or on one the game fixes:
// the desktop's colour where it stands out from that by the ratio, else the fallback.
struct ColorFit
{
    QPalette::ColorRole role;
    QColor against;
    double ratio;
    QColor fallback;
};

// Keeps the control readable on any desktop theme, also after the theme changes while the
// game runs. On a light desktop every colour stays the desktop's.
void fitColors(QWidget *control, const QList<ColorFit> &fits);

// Turns a press and a release of the left button inside a widget into one click. A
// double-click is no second click: the control has no double-click of its own, and its
// second press must not act again. Space or Return on the focused control is a click too.
class ClickTracker
{
public:
    void press(const QMouseEvent *event);
    bool release(const QWidget *widget, const QMouseEvent *event);
    void doubleClick() { m_pressed = false; }
    static bool key(const QWidget *widget, const QKeyEvent *event);

private:
    bool m_pressed = false;
};

// An icon drawn once from an SVG picture at each of the given sizes in pixels.
QIcon iconAtSizes(const QString &resource, std::initializer_list<int> sizes);

// A picture box: background, optional single-line border, an optional 32 x 32 picture
// at its top-left corner, and a text canvas printed at twip positions.
class PictureBox : public QWidget
{
    Q_OBJECT

public:
    explicit PictureBox(QWidget *parent = nullptr);

    void setBackground(const QColor &color);
    void setForeground(const QColor &color);
    void setBorder(bool border);
    bool hasBorder() const { return m_border; }
    void setPicture(const QString &resource);
    QString picture() const { return m_picture; }
    // Whether a click does something: something listens to clicked().
    bool isClickable() const;

    // Places a child at a twip position inside the drawing area (within the border).
    void placeChild(QWidget *child, int leftTwips, int topTwips);
    QPoint contentOrigin() const;

    // The text canvas.
    void clear();
    void setTextPosition(int xTwips, int yTwips);
    void printLine(const QString &text);
    int lineHeightTwips() const;
    const TextCanvas &canvas() const { return m_canvas; }

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    QColor m_background = Qt::white;
    QColor m_foreground = Qt::black;
    bool m_border = false;
    ClickTracker m_click;
    QString m_picture;
    // The picture drawn once per device pixel ratio: parsing and drawing the SVG
    // on every paint made it most of the cost of painting the whole window.
    QPixmap m_pictureCache;
    TextCanvas m_canvas;
};

// A label whose caption is plain text (a player's name is never read as markup).
class Label : public QLabel
{
    Q_OBJECT

public:
    explicit Label(const QString &caption, QWidget *parent = nullptr);

    void setColors(const QColor &foreground, const QColor &background);
    void setTransparent();
    void setBorder(bool border);
    bool isClickable() const;

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    ClickTracker m_click;
    bool m_border = false;
};

// A label laid out in twips, its text at the top like every caption of the game.
Label *makeLabel(QWidget *parent, const QRect &geometry, const QString &caption, const QColor &foreground,
                 const QColor &background, Qt::Alignment alignment, const QFont &font);

// A rectangle drawn on its container: decoration only, it never takes clicks.
class Shape : public QWidget
{
public:
    Shape(const QColor &border, int borderWidth, const QColor &fill, QWidget *parent = nullptr);

    QColor fill() const { return m_fill; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor m_border;
    int m_borderWidth;
    QColor m_fill; // invalid for no fill
};

// A thin line round the control that has the keyboard focus in a window. It shows once
// the player moves the focus with Tab or Shift+Tab and goes at the next mouse press, so
// that a game played with the mouse looks as drawn.
class FocusFrame : public QWidget
{
    Q_OBJECT

public:
    explicit FocusFrame(QWidget *window);
    ~FocusFrame() override;

    // The control it is drawn round, or none.
    QWidget *target() const { return isVisible() ? m_target.data() : nullptr; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void follow(QWidget *focus);

    QWidget *m_window;
    QPointer<QWidget> m_target;
    bool m_fromKeyboard = false;
};

// A scroll bar whose Left and Up keys lower the value and Right and Down raise it.
class ScrollBar : public QScrollBar
{
    Q_OBJECT

public:
    using QScrollBar::QScrollBar;

protected:
    void keyPressEvent(QKeyEvent *event) override;
};

// Draws a control flat, as the whole game is drawn: a single dark line as its border,
// its own background colours, and scroll bars whose thumb stands out from the trough.
// Works on drop-down lists, scroll bars and lists (their scroll bars included).
void drawFlat(QWidget *control);

// Pixels between a list's border and the start of its entries' text; a label that
// heads the list's columns indents its caption as much.
inline constexpr int ListTextIndent = 2;

// A list box of plain text entries in the order they were put in, each shown as the
// text it is: no end replaced by an ellipsis, a long entry is cut at the list's edge.
class ListBox : public QListView
{
    Q_OBJECT

public:
    explicit ListBox(QWidget *parent = nullptr);

    void addItem(const QString &item);
    void insertItem(int index, const QString &item);
    void removeItem(int index);
    void setItems(const QStringList &items);
    void clear();
    int listCount() const;
    QString list(int index) const;
    QStringList items() const;

private:
    QStringListModel *m_model;
};
