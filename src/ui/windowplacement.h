#pragma once

#include <QPoint>
#include <QSize>

// Where a window opens: (screen - window) / divisor for each axis, worked in twips
// in single precision and not clamped, so a small screen gives a negative origin.
QPoint windowOrigin(QSize screenPixels, QSize windowPixels, float leftDivisor, float topDivisor);
