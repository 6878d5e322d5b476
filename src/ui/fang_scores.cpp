// The high-score list, its panel and its file.
#include "ui/fang.h"

#include "game/platform.h"
#include "game/text.h"
#include "scores/scoreentry.h"
#include "scores/scorefile.h"
#include "ui/controls.h"

#include <QApplication>
#include <QTimer>

#include <utility>

namespace {

// The panel's Left is its state: beyond the client area while hidden.
constexpr int PanelHidden = 8400;
constexpr int PanelShown = 1800;

const QString ListTitle = QStringLiteral("Bestenliste");

// A number as the result message writes it: a space in front unless negative.
QString spokenNumber(qint64 number)
{
    return number < 0 ? QString::number(number) : QLatin1Char(' ') + QString::number(number);
}

} // namespace

// The list is rebuilt when the load has read the file; the game goes on meanwhile.
void fang::LoadHighScores()
{
    m_scores.startLoad();
}

void fang::highScoresLoaded(const std::optional<scorefile::Loaded> &list)
{
    // A folder that stopped answering leaves the list as shown.
    if (list) {
        m_highScores.clear();
        for (const QString &entry : list->entries)
            m_highScores.add(entry);
        Liste1->setItems(m_highScores.entries());
    }
    // The game goes on with what was read; the next finished round writes the file anew.
    if (!list || list->failed) {
        m_loadFailed = true;
        tellFileFailures();
    }
}

void fang::FinishRound()
{
    Zeit1->stop();
    Bezeichnung8->hide();
    const qint64 seconds = text::captionValue(Bezeichnung6->text());
    const QString entry = scores::makeEntry(Bezeichnung4->text(), Bezeichnung6->text(),
                                            Bezeichnung15->text(), Bezeichnung14->text());
    Liste1->insertItem(static_cast<int>(m_highScores.add(entry)), entry);
    m_scores.add(entry);
    Bild9_Click();
    m_platform->messageBox(QStringLiteral("Du hast es in") + spokenNumber(seconds)
                               + QStringLiteral(" Sekunden geschafft.\r"),
                           Platform::Buttons::Ok, Platform::Icon::None, QStringLiteral("Quendolin"));
    // What went wrong during the round is told now that it is over.
    tellFileFailures();
    // Other games may share the folder, so the rounds go into the file as it is now
    // rather than Liste1 over it.
    m_scores.startSave();
}

void fang::highScoresSaved(bool ok)
{
    // A later save carries the rounds of a failed one: once it succeeds, nothing is lost.
    m_saveFailed = !ok;
    if (m_leaving) {
        if (!m_scores.saving())
            leave();
        return;
    }
    tellFileFailures();
}

// Never while the round clock runs, which would run on under the box, nor over another
// box; a failure that comes during a round waits for its end.
void fang::tellFileFailures()
{
    // A game on its way out tells only a failed save, as it ends.
    if ((!m_saveFailed && !m_loadFailed) || m_leaving) {
        m_calm->stop();
        return;
    }
    if (Zeit1->isActive() || QApplication::activeModalWidget()) {
        if (!m_calm->isActive())
            m_calm->start();
        return;
    }
    m_calm->stop();
    // A failed save keeps its rounds for the next one.
    if (std::exchange(m_saveFailed, false)) {
        m_platform->messageBox(QStringLiteral("Die Bestenliste konnte nicht gespeichert werden.\r"),
                               Platform::Buttons::Ok, Platform::Icon::None, ListTitle);
    }
    if (std::exchange(m_loadFailed, false)) {
        m_platform->messageBox(QStringLiteral("Bestenliste fehlt.\r"), Platform::Buttons::Ok,
                               Platform::Icon::None, ListTitle);
    }
}

void fang::Bild9_Click()
{
    if (Bild1->x() == twipsToPixels(PanelHidden)) {
        if (Zeit1->isActive()) {
            MODUL1.ClockWasRunning = true;
            Zeit1->stop();
        }
        Bild1->move(twipsToPixels(PanelShown), Bild1->y());
        // Above the file panel too, which raises itself when it opens.
        Bild1->raise();
    } else {
        Bild1->move(twipsToPixels(PanelHidden), Bild1->y());
        if (MODUL1.ClockWasRunning) {
            Zeit1->start();
            MODUL1.ClockWasRunning = false;
        }
        if (Bezeichnung3->text().isEmpty())
            NextWord();
    }
}

void fang::Bezeichnung20_Click()
{
    Bild9_Click();
}
