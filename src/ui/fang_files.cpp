// The file panel and the loading of word lists.
#include "ui/fang.h"

#include "ui/controls.h"
#include "ui/filepanel.h"

#include <QTimer>

void fang::Bild3_Click()
{
    Zeit1->stop();
    Bezeichnung8->hide();
    Bild5->clear();
    if (!Bild11->isHidden()) {
        Bild11->hide();
        Bild10_Click();
    } else {
        Bild11->show();
        Bild11->raise();
    }
}

void fang::Laufwerk1_Change()
{
}

void fang::Verzeichnis1_Change()
{
}

void fang::Datei1_DblClick()
{
}
