// Board, catching, scattering and the round clock.
#include "ui/fang.h"

#include "game/platform.h"
#include "game/scatter.h"
#include "game/text.h"
#include "ui/controls.h"

#include <QScrollBar>
#include <QTimer>

void fang::Form_KeyDown(int KeyCode, int Shift)
{
    Q_UNUSED(Shift);
    if (KeyCode == KeyUp)
        MoveUp();
    if (KeyCode == KeyDown)
        MoveDown();
    if (KeyCode == KeyLeft)
        MoveLeft();
    if (KeyCode == KeyRight)
        MoveRight();
    if (KeyCode == KeyEscape)
        Bild2_Click();
}

// Moves count only while the round clock runs: before the start click, on a panel
// or after a win, a move must neither catch letters nor record the round again.
void fang::MoveUp()
{
    if (!Zeit1->isActive())
        return;
    board::moveUp(MODUL1);
    UpdatePlayer();
}

void fang::MoveDown()
{
    if (!Zeit1->isActive())
        return;
    board::moveDown(MODUL1);
    UpdatePlayer();
}

void fang::MoveLeft()
{
    if (!Zeit1->isActive())
        return;
    board::moveLeft(MODUL1);
    UpdatePlayer();
}

void fang::MoveRight()
{
    if (!Zeit1->isActive())
        return;
    board::moveRight(MODUL1);
    UpdatePlayer();
}

void fang::placeMarker()
{
    Bild5->placeChild(Bezeichnung8, board::cellTwips(MODUL1.PlayerX), board::cellTwips(MODUL1.PlayerY));
}

void fang::UpdatePlayer()
{
    bool catching = board::nextLetterUnderPlayer(MODUL1);
    for (;;) {
        if (!catching) {
            placeMarker();
            Bezeichnung3->setText(text::firstChar(MODUL1.CurrentWord));
            // A space is caught wherever its cell is.
            if (Bezeichnung3->text() != QLatin1String(" ")) {
                if (MODUL1.CurrentWord.isEmpty())
                    FinishRound();
                return;
            }
        }
        ClearBoard();
        Bezeichnung4->setText(Bezeichnung4->text() + Bezeichnung3->text());
        Bezeichnung5->setText(text::withoutFirstChar(Bezeichnung5->text()));
        board::removeFirstLetter(MODUL1);
        DrawLetters();
        catching = false;
    }
}

void fang::ClearBoard()
{
    Bild5->clear();
}

void fang::printLetter(int index)
{
    Bild5->setTextPosition(board::cellTwips(MODUL1.LetterX[index]), board::cellTwips(MODUL1.LetterY[index]));
    Bild5->printLine(text::charAt(MODUL1.CurrentWord, index - 1));
}

void fang::DrawLetters()
{
    const qsizetype n = std::min<qsizetype>(text::charCount(MODUL1.CurrentWord), board::MaxLetters);
    for (qsizetype i = 1; i <= n; ++i)
        printLetter(static_cast<int>(i));
}

void fang::ScatterLetters()
{
    board::scatterLetters(MODUL1, *m_platform, [this](qsizetype i) { printLetter(static_cast<int>(i)); });
}

void fang::Zeit1_Timer()
{
    const qint64 count = text::captionValue(Bezeichnung6->text()) + 1;
    Bezeichnung6->setText(QString::number(count));
    const int period = HBildlauf1->value();
    if (board::reshuffleDue(count, period)) {
        ClearBoard();
        ScatterLetters();
        UpdatePlayer();
    }
}

void fang::HBildlauf1_Change()
{
    Bezeichnung15->setText(QString::number(HBildlauf1->value()));
    Bild5->setFocus();
}

void fang::HBildlauf1_Scroll()
{
    HBildlauf1_Change();
}

void fang::Bild5_Click()
{
    if (Zeit1->isActive())
        return;
    if (Bild1->x() < twipsToPixels(8000))
        return;
    if (!Bild11->isHidden())
        return;
    Zeit1->start();
    ClearBoard();
    ScatterLetters();
    UpdatePlayer();
    // A word of blanks is won by that UpdatePlayer, which has hidden the marker for good.
    if (Zeit1->isActive())
        Bezeichnung8->show();
}
