// Switching to the info window.
#include "ui/fang.h"

void fang::Bild8_Click()
{
}
