// Switching to the info window.
#include "ui/fang.h"

#include "ui/controls.h"
#include "ui/zaplabel.h"

#include <QTimer>

void fang::Bild8_Click()
{
    Bezeichnung8->hide();
    Zeit1->stop();
    hide();
    // Created once; later openings show it where the player left it.
    if (!m_info)
        m_info = std::make_unique<ZAPLABEL>(*this);
    m_info->show();
    m_info->activateWindow();
}
