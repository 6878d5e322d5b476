#include "words/wordlistfile.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

namespace words {

namespace {

// The five bytes Windows-1252 leaves undefined. They become the C1 control
// characters of the same number, as Windows itself reads them, so that no byte
// is lost whatever the converter underneath makes of them.
bool undefinedIn1252(char byte)
{
    switch (static_cast<unsigned char>(byte)) {
    case 0x81:
    case 0x8D:
    case 0x8F:
    case 0x90:
    case 0x9D:
        return true;
    default:
        return false;
    }
}

QString decodeWindows1252(const QByteArray &bytes)
{
    QStringDecoder decoder("windows-1252", QStringDecoder::Flag::Stateless);
    if (!decoder.isValid())
        return QString::fromLatin1(bytes);

    QString text;
    text.reserve(bytes.size());
    qsizetype runStart = 0;
    for (qsizetype i = 0; i <= bytes.size(); ++i) {
        if (i < bytes.size() && !undefinedIn1252(bytes.at(i)))
            continue;
        if (i > runStart)
            text += decoder.decode(QByteArrayView(bytes).sliced(runStart, i - runStart));
        if (i < bytes.size())
            text += QChar(static_cast<unsigned char>(bytes.at(i)));
        runStart = i + 1;
    }
    return text;
}

WordListFile failure(const QString &problem, const QString &path)
{
    WordListFile result;
    result.error = problem + u'\r' + QFileInfo(path).fileName() + u'\r';
    return result;
}

} // namespace

QString decodeWordList(const QByteArray &bytes)
{
    // Stateless, so that a sequence cut off at the end of the file counts as invalid.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (utf8.hasError())
        text = decodeWindows1252(bytes);
    return text.normalized(QString::NormalizationForm_C);
}

QStringList splitWordList(const QString &text)
{
    QStringList entries;
    qsizetype lineStart = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) != u'\r' && text.at(i) != u'\n')
            continue;
        entries.append(text.mid(lineStart, i - lineStart));
        if (text.at(i) == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n')
            ++i;
        lineStart = i + 1;
    }
    if (lineStart < text.size())
        entries.append(text.mid(lineStart));
    return entries;
}

WordListFile readWordListFile(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return failure(QStringLiteral("Die Datei wurde nicht gefunden:"), path);
    if (info.isDir())
        return failure(QStringLiteral("Das ist ein Ordner, keine Datei:"), path);
    // A pipe or a device could block the game for ever or never end.
    if (!info.isFile())
        return failure(QStringLiteral("Das ist keine gewöhnliche Datei:"), path);
    if (info.size() > MaxWordListBytes)
        return failure(QStringLiteral("Die Datei ist zu groß für eine Textliste:"), path);

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        // QFile reports a refused open as a plain open error; ask the file system why.
        if (!info.isReadable())
            return failure(QStringLiteral("Die Datei darf nicht gelesen werden:"), path);
        return failure(QStringLiteral("Die Datei lässt sich nicht öffnen:"), path);
    }
    // One byte more than allowed tells a file that grew since it was measured.
    const QByteArray bytes = file.read(MaxWordListBytes + 1);
    if (file.error() != QFileDevice::NoError)
        return failure(QStringLiteral("Die Datei lässt sich nicht lesen:"), path);
    if (bytes.size() > MaxWordListBytes)
        return failure(QStringLiteral("Die Datei ist zu groß für eine Textliste:"), path);

    WordListFile result;
    result.ok = true;
    result.entries = splitWordList(decodeWordList(bytes));
    return result;
}

QString joinPath(const QString &folder, const QString &name)
{
    if (folder.endsWith(u'/'))
        return folder + name;
    return folder + u'/' + name;
}

} // namespace words
