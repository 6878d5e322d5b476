// Round commands: quit, pause, player name and the rules.
#include "ui/fang.h"

#include "game/platform.h"
#include "ui/controls.h"

#include <QTimer>

#include <utility>

void fang::Bild2_Click()
{
    if (m_leaving)
        return;
    const Platform::Answer answer = m_platform->messageBox(QStringLiteral("Dieses Spiel jetzt beenden?\r"),
                                                           Platform::Buttons::YesNo, Platform::Icon::Stop,
                                                           QStringLiteral("Zaplino"));
    if (answer == Platform::Answer::Yes)
        QuitGame();
}

void fang::QuitGame()
{
    Bezeichnung8->hide();
    Zeit1->stop();
    m_leaving = true;
    // No round is lost: a save on its way is waited for, as long as the folder answers,
    // and rounds a failed save kept get one more try.
    if (!m_scores.saving() && !m_scores.unsaved().isEmpty())
        m_scores.startSave();
    if (m_scores.saving()) {
        setWindowTitle(QStringLiteral("Zaplino - Bestenliste wird gespeichert ..."));
        return;
    }
    leave();
}

// Ends the game, once a failed save has been told: its rounds are lost now.
void fang::leave()
{
    if (std::exchange(m_saveFailed, false)) {
        m_platform->messageBox(QStringLiteral("Die Bestenliste konnte nicht gespeichert werden.\r"),
                               Platform::Buttons::Ok, Platform::Icon::None, QStringLiteral("Bestenliste"));
    }
    m_quitting = true;
    m_platform->quit();
}

void fang::Bild6_Click()
{
    if (!Zeit1->isActive())
        return;
    Zeit1->stop();
    m_platform->messageBox(QStringLiteral("Die Zeit wurde angehalten!\rWeiter mit der OK-Taste ...\r"),
                           Platform::Buttons::Ok, Platform::Icon::None, QStringLiteral("Spielpause"));
    Zeit1->start();
    if (Bezeichnung3->text().isEmpty())
        Bild10_Click();
}

void fang::Bild7_Click()
{
    Zeit1->stop();
    Bezeichnung8->hide();
    Bild5->clear();
    const QString name = m_platform->inputBox(QStringLiteral("Benutzername"), QStringLiteral("Zaplino"), QString());
    if (!name.isEmpty())
        Bezeichnung14->setText(name);
    Bild10_Click();
}

void fang::Bild4_Click()
{
    ShowHelp();
}

void fang::ShowHelp()
{
    const QString rules = QStringLiteral("Du musst die Buchstaben eines Wortes der\r"
                                         "Reihe nach fangen. Bei mehreren gleichen\r"
                                         "Buchstaben weißt du aber nicht, welcher\r"
                                         "der Buchstaben zuerst gefangen werden\r"
                                         "muss. Da hilft nur eine schnelle Reaktion!\r"
                                         "Steuern musst du mit den vier Pfeiltasten.\r");
    m_platform->messageBox(rules, Platform::Buttons::Ok, Platform::Icon::None, QStringLiteral("Zaplino"));
}
