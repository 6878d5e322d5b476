#pragma once

#include <QString>

namespace scores {

// A number in a field of four characters: a space (or minus sign) in front of the
// digits, right-aligned behind spaces, cut to its last four characters.
QString numberField(qint64 number);

// One high-score line from the captions of the finished round: the word length
// (characters caught, blanks included), the seconds, the period and the name.
QString makeEntry(const QString &caught, const QString &seconds, const QString &period,
                  const QString &name);

} // namespace scores
