// The high-score entry built from whatever the four captions hold at the end of a round.
#include "fuzzsupport.h"
#include "scores/highscorelist.h"
#include "scores/scoreentry.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <QString>

#include <cstddef>
#include <cstdint>

namespace {

QString caption(FuzzedDataProvider &input)
{
    return QString::fromStdString(input.ConsumeRandomLengthString(64));
}

// A field shows its number right-aligned in four characters, or its last four.
void checkField(const QString &field, qint64 number)
{
    FUZZ_CHECK(field.size() == 4);
    const QString written = QString::number(number);
    if (written.size() >= 4) {
        FUZZ_CHECK(field == written.right(4));
    } else {
        FUZZ_CHECK(field.endsWith(written));
        FUZZ_CHECK(field.chopped(written.size()).trimmed().isEmpty());
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzedDataProvider input(data, size);
    const QString caught = caption(input);
    const QString seconds = caption(input);
    const QString period = caption(input);
    const QString name = QString::fromStdString(input.ConsumeRemainingBytesAsString());

    const QString entry = scores::makeEntry(caught, seconds, period, name);
    FUZZ_CHECK(entry.size() == 15 + name.size());
    FUZZ_CHECK(entry.at(4) == u' ' && entry.at(9) == u' ' && entry.at(14) == u' ');
    FUZZ_CHECK(entry.mid(15) == name);
    checkField(entry.mid(0, 4), text::charCount(caught));
    checkField(entry.mid(5, 4), text::captionValue(seconds));
    checkField(entry.mid(10, 4), text::captionValue(period));

    // A caption the game wrote reads back as its number.
    const qint64 value = text::captionValue(seconds);
    FUZZ_CHECK(text::captionValue(QString::number(value)) == value);

    // Among other entries it takes its sorted place and compares equal only to itself.
    HighScoreList list;
    for (const char *other : {"   4   37   10 Freund und Gast", "   1    0    3 ", "9999 9999   15 zz", ""})
        list.add(QString::fromUtf8(other));
    const qsizetype at = list.add(entry);
    FUZZ_CHECK(list.at(at) == entry);
    FUZZ_CHECK(HighScoreList::compare(entry, entry) == 0);
    for (qsizetype i = 1; i < list.count(); ++i)
        FUZZ_CHECK(HighScoreList::compare(list.at(i - 1), list.at(i)) <= 0);
    return 0;
}
