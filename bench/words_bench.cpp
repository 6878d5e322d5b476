// Loading word lists: the file reader alone, and the double-click that fills the store.
#include "roundhelpers.h"
#include "ui/filepanel.h"
#include "words/wordlistfile.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QStringEncoder>
#include <QTemporaryDir>

namespace {

enum Encoding { Windows1252 = 0, Utf8 = 1 };

// German-looking entries with umlauts and ß, so both decoders do real work; now
// and then a phrase with a space, as lists of sayings have.
QString entry(int i)
{
    static const char16_t *const syllables[] = {u"Bär", u"bro", u"Kä", u"se", u"Stra", u"ße", u"Mü", u"hle",
                                                 u"Ta", u"fel", u"gö", u"ren", u"Hund", u"Fuß", u"ball", u"ter"};
    QString word;
    unsigned x = static_cast<unsigned>(i) * 2654435761u;
    const int count = 2 + static_cast<int>(x % 4);
    for (int s = 0; s < count; ++s) {
        word += QString::fromUtf16(syllables[(x >> (4 * s + 8)) & 15]);
        if (s == 1 && x % 7 == 0)
            word += u' ';
    }
    return word;
}

QString listFile(int lines, Encoding encoding)
{
    static QTemporaryDir dir;
    const QString path = QStringLiteral("%1/L%2_%3.TXT").arg(dir.path()).arg(lines).arg(encoding == Utf8 ? 8 : 1252);
    if (QFile::exists(path))
        return path;
    QString text;
    for (int i = 0; i < lines; ++i)
        text += entry(i) + QStringLiteral("\r\n");
    QStringEncoder encoder(encoding == Utf8 ? "UTF-8" : "windows-1252");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(encoder.encode(text)) < 0)
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

void BM_ReadWordListFile(benchmark::State &state)
{
    const int lines = static_cast<int>(state.range(0));
    const QString path = listFile(lines, Encoding(state.range(1)));
    for (auto _ : state) {
        const words::WordListFile file = words::readWordListFile(path);
        if (file.entries.size() != lines)
            state.SkipWithError("wrong number of entries");
        benchmark::DoNotOptimize(file.entries.constData());
    }
    state.SetItemsProcessed(state.iterations() * lines);
}
BENCHMARK(BM_ReadWordListFile)
    ->ArgNames({"lines", "utf8"})
    ->ArgsProduct({{1000, 100000}, {Windows1252, Utf8}})
    ->Unit(benchmark::kMillisecond);

// The player's double-click: read the file, fill the word store, set up the first word.
void BM_LoadWordListIntoStore(benchmark::State &state)
{
    const int lines = static_cast<int>(state.range(0));
    const QString path = listFile(lines, Encoding(state.range(1)));
    ScriptedPlatform platform;
    fang w(platform);
    w.show();
    w.Verzeichnis1->setPath(QFileInfo(path).path());
    const QString name = QFileInfo(path).fileName();
    for (int i = 0; i < w.Datei1->count(); ++i) {
        if (w.Datei1->fileName(i) == name)
            w.Datei1->setCurrentRow(i);
    }
    QCoreApplication::processEvents();
    for (auto _ : state) {
        w.Datei1_DblClick();
        QCoreApplication::processEvents();
        if (w.List1->listCount() != lines - 1)
            state.SkipWithError("the store was not filled");
    }
    state.SetItemsProcessed(state.iterations() * lines);
}
BENCHMARK(BM_LoadWordListIntoStore)
    ->ArgNames({"lines", "utf8"})
    ->ArgsProduct({{1000, 100000}, {Windows1252, Utf8}})
    ->Unit(benchmark::kMillisecond);

} // namespace
