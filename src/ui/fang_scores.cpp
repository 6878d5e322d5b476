// The high-score list, its panel and its file.
#include "ui/fang.h"

#include "game/platform.h"
#include "game/text.h"
#include "scores/scoreentry.h"
#include "scores/scorefile.h"
#include "ui/controls.h"

#include <QScopedValueRollback>
#include <QTimer>

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

void fang::LoadHighScores()
{
    std::optional<scorefile::Loaded> loaded;
    {
        const QScopedValueRollback waiting(m_waitingForFile, true);
        loaded = m_scores.load();
    }
    // A folder that did not answer in time leaves the list as shown.
    if (loaded) {
        m_highScores.clear();
        for (const QString &entry : loaded->entries)
            m_highScores.add(entry);
        Liste1->setItems(m_highScores.entries());
    }
    // The game goes on with what was read; the next finished round writes the file anew.
    if (!loaded || loaded->failed) {
        m_platform->messageBox(QStringLiteral("Bestenliste fehlt.\r"), Platform::Buttons::Ok,
                               Platform::Icon::None, ListTitle);
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
    saveHighScores();
}

void fang::saveHighScores()
{
    // Other games may share the folder, so the rounds go into the file as it is now
    // rather than Liste1 over it. A failed save leaves the old file whole and keeps
    // the rounds for the next one, as does a folder that does not answer in time.
    bool saved = false;
    {
        const QScopedValueRollback waiting(m_waitingForFile, true);
        saved = m_scores.save();
    }
    if (saved)
        return;
    m_platform->messageBox(QStringLiteral("Die Bestenliste konnte nicht gespeichert werden.\r"),
                           Platform::Buttons::Ok, Platform::Icon::None, ListTitle);
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
