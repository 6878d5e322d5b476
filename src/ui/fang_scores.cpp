// The high-score list, its panel and its file.
#include "ui/fang.h"

#include "ui/controls.h"

#include <QTimer>

void fang::LoadHighScores()
{
}

void fang::FinishRound()
{
    Zeit1->stop();
    Bezeichnung8->hide();
}

void fang::Bild9_Click()
{
}

void fang::Bezeichnung20_Click()
{
    Bild9_Click();
}
