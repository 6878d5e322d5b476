#include "ui/windowplacement.h"

#include "ui/controls.h"

QPoint windowOrigin(QSize screenPixels, QSize windowPixels, float leftDivisor, float topDivisor)
{
    const float twips = static_cast<float>(TwipsPerPixel);
    const float left = (screenPixels.width() * twips - windowPixels.width() * twips) / leftDivisor;
    const float top = (screenPixels.height() * twips - windowPixels.height() * twips) / topDivisor;
    return QPoint(twipsToPixels(left), twipsToPixels(top));
}
