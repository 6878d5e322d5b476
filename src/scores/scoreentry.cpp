#include "scores/scoreentry.h"

#include "game/text.h"

namespace scores {

QString numberField(qint64 number)
{
    const QString digits = number < 0 ? QString::number(number)
                                      : QLatin1Char(' ') + QString::number(number);
    return (QStringLiteral("    ") + digits).right(4);
}

QString makeEntry(const QString &caught, const QString &seconds, const QString &period,
                  const QString &name)
{
    return numberField(text::charCount(caught)) + QLatin1Char(' ')
        + numberField(text::captionValue(seconds)) + QLatin1Char(' ')
        + numberField(text::captionValue(period)) + QLatin1Char(' ') + name;
}

} // namespace scores
