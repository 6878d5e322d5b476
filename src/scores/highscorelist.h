#pragma once

#include <QString>
#include <QStringList>

// The high-score entries in ascending order, kept sorted as they are added.
class HighScoreList
{
public:
    // Character by character, letter case ignored: each code point is case-folded
    // and compared by value, so a space sorts before digits, digits before letters,
    // and umlauts and other letters beyond ASCII after z. A text sorts before any
    // longer text it begins.
    static int compare(QStringView a, QStringView b);

    // Inserts the entry after every entry that compares equal to it, so equal
    // entries keep the order in which they came; returns its index.
    qsizetype add(const QString &entry);
    void clear();

    qsizetype count() const { return m_entries.size(); }
    const QString &at(qsizetype index) const { return m_entries.at(index); }
    const QStringList &entries() const { return m_entries; }

private:
    QStringList m_entries;
};
