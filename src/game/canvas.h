#pragma once

#include <QList>
#include <QString>

// What has been printed on the playing field, kept so the field can repaint it
// at any time and tests can read it back. Positions are in twips.
struct PrintedText
{
    int x = 0;
    int y = 0;
    QString text;

    friend bool operator==(const PrintedText &, const PrintedText &) = default;
};

class TextCanvas
{
public:
    // Erases everything and moves the text position to the top-left corner.
    void clear()
    {
        m_items.clear();
        m_x = 0;
        m_y = 0;
    }

    void setTextPosition(int x, int y)
    {
        m_x = x;
        m_y = y;
    }

    // Prints at the text position, then moves it to the left edge one line lower.
    void printLine(const QString &text, int lineHeight)
    {
        if (!text.isEmpty())
            m_items.append({m_x, m_y, text});
        m_x = 0;
        m_y += lineHeight;
    }

    const QList<PrintedText> &items() const { return m_items; }
    int x() const { return m_x; }
    int y() const { return m_y; }

private:
    QList<PrintedText> m_items;
    int m_x = 0;
    int m_y = 0;
};
