// Word selection and round set-up.
#include "ui/fang.h"

#include "game/platform.h"
#include "game/text.h"
#include "ui/controls.h"
#include "words/wordpick.h"

#include <QTimer>

namespace {

const QString StartPrompt = QStringLiteral("           Zum Starten hier klicken . . .");

} // namespace

void fang::NextWord()
{
    const int count = List1->listCount();
    if (count < 1) {
        Bild3_Click();
        m_platform->messageBox(QStringLiteral("Bitte erst eine Datei laden!\r(Doppelklick auf Dateiliste)\r"),
                               Platform::Buttons::Ok, Platform::Icon::None, QStringLiteral("Zaplino"));
        return;
    }
    m_platform->randomize();
    const int index = pickIndex(m_platform->random(), count);
    MODUL1.CurrentWord = List1->list(index);
    Bezeichnung11->setText(MODUL1.CurrentWord);
    List1->removeItem(index);
    SetupRound();
    if (List1->listCount() < 1) {
        m_platform->messageBox(QStringLiteral("Das ist der letzte Eintrag der aktuellen Textliste.\r"
                                              "Nach der Runde musst du eine neue Datei laden.\r"),
                               Platform::Buttons::Ok, Platform::Icon::Information, QStringLiteral("Textliste"));
    }
}

void fang::SetupRound()
{
    Bild5->clear();
    MODUL1.PlayerX = board::StartX;
    MODUL1.PlayerY = board::StartY;
    if (MODUL1.CurrentWord.isEmpty() || text::charCount(MODUL1.CurrentWord) > board::MaxLetters)
        MODUL1.CurrentWord = board::DefaultWord;
    Bezeichnung3->setText(text::firstChar(MODUL1.CurrentWord));
    Bezeichnung4->setText(QString());
    Bezeichnung5->setText(text::withoutFirstChar(MODUL1.CurrentWord));
    Bezeichnung6->setText(QStringLiteral("0"));
    Bild5->clear();
    for (int line = 0; line < 5; ++line)
        Bild5->printLine(QString());
    Bild5->printLine(StartPrompt);
}

void fang::Bild10_Click()
{
    Zeit1->stop();
    Bezeichnung8->hide();
    Bild5->clear();
    NextWord();
}
