#pragma once

#include <QString>

// The game counts characters as Unicode code points, so that a letter outside
// the Basic Multilingual Plane is caught, shown and counted as one letter.
namespace text {

qsizetype charCount(const QString &s);
// The i-th character (0-based) as text of one code point; empty past the end.
QString charAt(const QString &s, qsizetype i);
QString firstChar(const QString &s);
QString withoutFirstChar(const QString &s);

// The number a caption begins with, leading blanks skipped; 0 when there is none.
qint64 captionValue(const QString &caption);

} // namespace text
