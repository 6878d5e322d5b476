#include "ui/qtplatform.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTime>

QString QtPlatform::displayText(const QString &text)
{
    QString shown = text;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    shown.replace(u'\r', u'\n');
    if (shown.endsWith(u'\n'))
        shown.chop(1);
    return shown;
}

Platform::Answer QtPlatform::messageBox(const QString &text, Buttons buttons, Icon icon, const QString &title)
{
    QMessageBox box(m_parent && m_parent->isVisible() ? m_parent : nullptr);
    box.setWindowTitle(title);
    box.setText(displayText(text));
    box.setTextFormat(Qt::PlainText);
    switch (icon) {
    case Icon::None:
        box.setIcon(QMessageBox::NoIcon);
        break;
    case Icon::Stop:
        box.setIcon(QMessageBox::Critical);
        break;
    case Icon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    }
    if (buttons == Buttons::YesNo) {
        QPushButton *yes = box.addButton(QStringLiteral("&Ja"), QMessageBox::YesRole);
        QPushButton *no = box.addButton(QStringLiteral("&Nein"), QMessageBox::NoRole);
        box.setDefaultButton(yes);
        box.setEscapeButton(no);
        box.exec();
        return box.clickedButton() == yes ? Answer::Yes : Answer::No;
    }
    QPushButton *ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box.setDefaultButton(ok);
    box.setEscapeButton(ok);
    box.exec();
    return Answer::Ok;
}

QString QtPlatform::inputBox(const QString &prompt, const QString &title, const QString &defaultText)
{
    QInputDialog dialog(m_parent && m_parent->isVisible() ? m_parent : nullptr);
    dialog.setWindowTitle(title);
    dialog.setLabelText(displayText(prompt));
    dialog.setTextValue(defaultText);
    dialog.setOkButtonText(QStringLiteral("OK"));
    dialog.setCancelButtonText(QStringLiteral("Abbrechen"));
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.textValue();
}

float QtPlatform::random()
{
    // 24 random bits make every float step in [0, 1) equally likely and never 1.
    return static_cast<float>(m_random.generate() >> 8) / 16777216.0f;
}

void QtPlatform::randomize()
{
    m_random.seed(static_cast<quint32>(QTime::currentTime().msecsSinceStartOfDay()));
}

void QtPlatform::quit()
{
    for (QWidget *window : QApplication::topLevelWidgets())
        window->hide();
    QCoreApplication::exit(0);
}
