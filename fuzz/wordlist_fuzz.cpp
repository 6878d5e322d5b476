// Any bytes a player may name *.TXT: decoded, split into entries, and each entry played.
#include "fuzzsupport.h"
#include "words/wordlistfile.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const QString text = words::decodeWordList(bytes);
    // Only a file that is empty or holds nothing but a byte-order mark has no text.
    FUZZ_CHECK(text.isEmpty() == (bytes.isEmpty() || bytes == QByteArray("\xEF\xBB\xBF")));
    // Bytes that are no UTF-8 are read one character per byte: none is lost or merged.
    if (!bytes.startsWith("\xEF\xBB\xBF") && QString::fromUtf8(bytes).toUtf8() != bytes)
        FUZZ_CHECK(text.size() == bytes.size());

    const QStringList entries = words::splitWordList(text);
    // Every line end is a CR, an LF, or the two in that order; nothing else disappears.
    const qsizetype breaks = text.count(u'\r') + text.count(u'\n');
    const qsizetype ends = breaks - text.count(QStringLiteral("\r\n"));
    FUZZ_CHECK(entries.size() == ends || entries.size() == ends + 1);
    qsizetype kept = 0;
    for (const QString &entry : entries) {
        FUZZ_CHECK(!entry.contains(u'\r') && !entry.contains(u'\n'));
        kept += entry.size();
    }
    FUZZ_CHECK(kept + breaks == text.size());

    // Playing costs far more than reading; a few entries are enough to reach every case.
    FuzzPlatform platform;
    for (const QString &entry : entries.mid(0, 8))
        playWord(entry, platform);
    return 0;
}
