#include "game/text.h"

namespace text {

namespace {

// Length in UTF-16 units of the code point that starts at unit i.
qsizetype unitsAt(const QString &s, qsizetype i)
{
    if (i + 1 < s.size() && s.at(i).isHighSurrogate() && s.at(i + 1).isLowSurrogate())
        return 2;
    return 1;
}

} // namespace

qsizetype charCount(const QString &s)
{
    qsizetype count = 0;
    for (qsizetype i = 0; i < s.size(); i += unitsAt(s, i))
        ++count;
    return count;
}

QString charAt(const QString &s, qsizetype index)
{
    qsizetype i = 0;
    for (; i < s.size() && index > 0; --index)
        i += unitsAt(s, i);
    if (i >= s.size())
        return {};
    return s.mid(i, unitsAt(s, i));
}

QString firstChar(const QString &s)
{
    return charAt(s, 0);
}

QString withoutFirstChar(const QString &s)
{
    if (s.isEmpty())
        return {};
    return s.mid(unitsAt(s, 0));
}

qint64 captionValue(const QString &caption)
{
    qsizetype i = 0;
    while (i < caption.size() && (caption.at(i) == u' ' || caption.at(i) == u'\t'))
        ++i;
    bool negative = false;
    if (i < caption.size() && (caption.at(i) == u'-' || caption.at(i) == u'+')) {
        negative = caption.at(i) == u'-';
        ++i;
    }
    qint64 value = 0;
    // Caps the value well inside qint64; no caption the game writes comes near it.
    for (; i < caption.size() && caption.at(i).isDigit() && caption.at(i).unicode() < 128; ++i) {
        if (value < 100'000'000'000'000LL)
            value = value * 10 + (caption.at(i).unicode() - u'0');
    }
    return negative ? -value : value;
}

} // namespace text
