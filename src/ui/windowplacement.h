#pragma once

#include <QMargins>
#include <QPoint>
#include <QSize>

class QWidget;

// Where a window opens: (screen - window) / divisor for each axis, worked in twips
// in single precision and not clamped, so a small screen gives a negative origin.
QPoint windowOrigin(QSize screenPixels, QSize windowPixels, float leftDivisor, float topDivisor);

// Moves a window that has not shown yet so that its outer rectangle, frame included,
// stands at windowOrigin() on the primary screen. Where the X11 window manager tells
// the frame it will put round the window (on request, before the window is mapped),
// that frame is counted; elsewhere the window's own size is all there is to go by.
void placeWindow(QWidget *window, float leftDivisor, float topDivisor);

// The frame that the X11 window manager announces for the window before it is mapped;
// none without one that announces it (another window system, or no window manager).
QMargins announcedFrame(QWidget *window);
