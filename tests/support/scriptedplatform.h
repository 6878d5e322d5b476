#pragma once

#include "game/platform.h"

#include <QList>
#include <QQueue>
#include <QString>
#include <functional>

// A platform that answers as scripted and records every box it was asked to show.
class ScriptedPlatform : public Platform
{
public:
    struct Box
    {
        QString text;
        Buttons buttons;
        Icon icon;
        QString title;
    };
    struct Input
    {
        QString prompt;
        QString title;
        QString defaultText;
    };

    Answer messageBox(const QString &text, Buttons buttons, Icon icon, const QString &title) override
    {
        boxes.append({text, buttons, icon, title});
        if (whileBoxOpen)
            whileBoxOpen(boxes.last());
        if (!answers.isEmpty())
            return answers.dequeue();
        return buttons == Buttons::YesNo ? Answer::No : Answer::Ok;
    }

    QString inputBox(const QString &prompt, const QString &title, const QString &defaultText) override
    {
        inputs.append({prompt, title, defaultText});
        return typed.isEmpty() ? QString() : typed.dequeue();
    }

    // Scripted values first, then a fixed sequence that never repeats a cell soon.
    float random() override
    {
        ++draws;
        if (!randoms.isEmpty())
            return randoms.dequeue();
        m_state = m_state * 1103515245u + 12345u;
        return static_cast<float>((m_state >> 8) & 0xFFFFFF) / 16777216.0f;
    }

    void randomize() override { ++reseeds; }
    void quit() override { ++quits; }

    QString lastText() const { return boxes.isEmpty() ? QString() : boxes.last().text; }
    QStringList texts() const
    {
        QStringList all;
        for (const Box &box : boxes)
            all.append(box.text);
        return all;
    }

    QList<Box> boxes;
    QList<Input> inputs;
    QQueue<Answer> answers;
    QQueue<QString> typed;
    QQueue<float> randoms;
    // Runs while a box is "open", e.g. to check that the clock stands still.
    std::function<void(const Box &)> whileBoxOpen;
    int draws = 0;
    int reseeds = 0;
    int quits = 0;

private:
    quint32 m_state = 20260101u;
};
