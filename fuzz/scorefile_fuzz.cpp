// BESTFANG.LST as a player may have edited it: read into the sorted list as the game
// loads it, written back as the end of a round saves it, and read once more.
#include "fuzzsupport.h"
#include "scores/highscorelist.h"
#include "scores/scorefile.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>

namespace {

// The writer keeps every entry on its one line: the characters that other programs
// take for a line break are written as a space (CR and LF never come out of a read).
QString asWritten(QString entry)
{
    for (QChar &c : entry) {
        if (c == u'\v' || c == u'\f' || c == QChar(0x0085) || c == QChar(0x2028) || c == QChar(0x2029))
            c = u' ';
    }
    return entry;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const QStringList loaded = scorefile::parse(bytes);
    for (const QString &entry : loaded)
        FUZZ_CHECK(!entry.contains(u'\r') && !entry.contains(u'\n'));
    FUZZ_CHECK(loaded.size() <= bytes.count('\r') + bytes.count('\n') + 1);

    HighScoreList list;
    for (const QString &entry : loaded)
        list.add(entry);
    FUZZ_CHECK(list.count() == loaded.size());
    for (qsizetype i = 1; i < list.count(); ++i) {
        FUZZ_CHECK(HighScoreList::compare(list.at(i - 1), list.at(i)) <= 0);
        FUZZ_CHECK(HighScoreList::compare(list.at(i), list.at(i - 1)) >= 0);
    }

    const QByteArray saved = scorefile::serialize(list.entries());
    const qsizetype lines = saved.count("\r\n");
    FUZZ_CHECK(lines == std::min<qsizetype>(list.count(), scorefile::MaxSaved));
    FUZZ_CHECK(lines == saved.count('\n') && lines == saved.count('\r'));

    QStringList expected;
    for (const QString &entry : list.entries().mid(0, scorefile::MaxSaved))
        expected.append(asWritten(entry));
    FUZZ_CHECK(scorefile::parse(saved) == expected);
    // Saving what was read back changes nothing.
    FUZZ_CHECK(scorefile::serialize(expected) == saved);
    return 0;
}
