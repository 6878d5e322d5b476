#pragma once

#include "game/platform.h"

#include <QRandomGenerator>

class QWidget;

// The platform services on real Qt dialogs.
class QtPlatform : public Platform
{
public:
    Answer messageBox(const QString &text, Buttons buttons, Icon icon, const QString &title) override;
    QString inputBox(const QString &prompt, const QString &title, const QString &defaultText) override;
    float random() override;
    void randomize() override;
    void quit() override;

    // Boxes open over this window.
    void setDialogParent(QWidget *parent) { m_parent = parent; }

    // Carriage returns become line ends on screen; a final one adds no empty line.
    static QString displayText(const QString &text);

private:
    QWidget *m_parent = nullptr;
    QRandomGenerator m_random{QRandomGenerator::securelySeeded()};
};
