#include "scores/highscorelist.h"

#include <QChar>

#include <algorithm>

namespace {

// The case-folded code point starting at i, and i moved past it.
char32_t foldedAt(QStringView s, qsizetype &i)
{
    char32_t c = s.at(i).unicode();
    if (QChar::isHighSurrogate(c) && i + 1 < s.size() && s.at(i + 1).isLowSurrogate()) {
        c = QChar::surrogateToUcs4(s.at(i), s.at(i + 1));
        ++i;
    }
    ++i;
    return QChar::toCaseFolded(c);
}

} // namespace

int HighScoreList::compare(QStringView a, QStringView b)
{
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        const char32_t ca = foldedAt(a, i);
        const char32_t cb = foldedAt(b, j);
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    if (i < a.size())
        return 1;
    if (j < b.size())
        return -1;
    return 0;
}

qsizetype HighScoreList::add(const QString &entry)
{
    const auto place = std::upper_bound(m_entries.cbegin(), m_entries.cend(), entry,
                                        [](const QString &x, const QString &y) {
                                            return compare(x, y) < 0;
                                        });
    const qsizetype index = place - m_entries.cbegin();
    m_entries.insert(index, entry);
    return index;
}

void HighScoreList::clear()
{
    m_entries.clear();
}
