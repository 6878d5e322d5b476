#pragma once

#include "game/text.h"
#include "scriptedplatform.h"
#include "ui/controls.h"
#include "ui/fang.h"

#include <QDir>
#include <QEventLoop>
#include <QPoint>
#include <QTemporaryDir>
#include <QTimer>

// Lays the letters of the next scatter on the given cells.
inline void scriptScatter(ScriptedPlatform &platform, const QList<QPoint> &cells)
{
    for (const QPoint &cell : cells)
        platform.randoms << (cell.x() + 0.5f) / 18 << (cell.y() + 0.5f) / 11;
}

// Sets up a word as the only entry of the store and starts its round with the letters on the cells.
inline void startRound(fang &w, ScriptedPlatform &platform, const QString &word, const QList<QPoint> &cells = {})
{
    w.List1->setItems({word, QStringLiteral("Reserve")});
    platform.randoms << 0.0f;
    w.NextWord();
    scriptScatter(platform, cells);
    w.Bild5_Click();
}

// Steers the marker to a cell, column first, one arrow key at a time.
inline void steerTo(fang &w, QPoint cell)
{
    while (w.MODUL1.PlayerX < cell.x() && w.Zeit1->isActive())
        w.Form_KeyDown(fang::KeyRight, 0);
    while (w.MODUL1.PlayerX > cell.x() && w.Zeit1->isActive())
        w.Form_KeyDown(fang::KeyLeft, 0);
    while (w.MODUL1.PlayerY < cell.y() && w.Zeit1->isActive())
        w.Form_KeyDown(fang::KeyDown, 0);
    while (w.MODUL1.PlayerY > cell.y() && w.Zeit1->isActive())
        w.Form_KeyDown(fang::KeyUp, 0);
}

// Catches every remaining letter in order.
inline void playToTheEnd(fang &w)
{
    while (w.Zeit1->isActive() && !w.MODUL1.CurrentWord.isEmpty())
        steerTo(w, QPoint(w.MODUL1.LetterX[1], w.MODUL1.LetterY[1]));
}

// Lets the work on the high-score file end and its reports reach the window; false when
// it did not end in time.
inline bool scoresSettled(fang &w, int timeoutMs = 30000)
{
    ScoreStore &store = w.scoreStore();
    QEventLoop loop;
    const auto check = [&] {
        if (!store.busy())
            loop.quit();
    };
    QObject::connect(&store, &ScoreStore::saved, &loop, check);
    QObject::connect(&store, &ScoreStore::loaded, &loop, check);
    // A timer of its own: a single shot would outlive the loop until it fires.
    QTimer timeout;
    QObject::connect(&timeout, &QTimer::timeout, &loop, &QEventLoop::quit);
    timeout.start(timeoutMs);
    if (store.busy())
        loop.exec();
    return !store.busy();
}

// Runs a test in an empty folder of its own, so high-score files never leak between tests.
class TemporaryCurrentDir
{
public:
    TemporaryCurrentDir() : m_previous(QDir::currentPath()) { QDir::setCurrent(m_dir.path()); }
    ~TemporaryCurrentDir() { QDir::setCurrent(m_previous); }
    QString path() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
    QString m_previous;
};
