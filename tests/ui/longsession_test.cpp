// A long evening at the game: thousands of rounds played through the window's own
// handlers, with every command a player reaches for in between. After each round
// the high-score file and the board must still be right, and memory must not grow.
#include "filebytes.h"
#include "roundhelpers.h"
#include "scores/scorefile.h"
#include "ui/filepanel.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QScrollBar>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <malloc.h>
#if defined(__SANITIZE_ADDRESS__)
// From the sanitizer's allocator; g++ ships no header that declares it.
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace {

constexpr int Rounds = 2000;

// Bytes the program holds on the heap: the sanitizer's allocator takes the place of
// malloc's in the sanitizer build.
qint64 heapInUse()
{
#if defined(__SANITIZE_ADDRESS__)
    return static_cast<qint64>(__sanitizer_get_current_allocated_bytes());
#else
    return static_cast<qint64>(mallinfo2().uordblks);
#endif
}

// malloc counts the freed blocks it keeps at hand per thread as in use, tens of
// kilobytes that come and go; the test run switches that cache off to count exactly.
qint64 heapMargin()
{
#if defined(__SANITIZE_ADDRESS__)
    return 16 * 1024;
#else
    return qgetenv("GLIBC_TUNABLES").contains("tcache_count=0") ? 16 * 1024 : 256 * 1024;
#endif
}

// Words built from syllables, so that the lists are long and every word differs.
QStringList syllableWords(const QStringList &syllables, int count)
{
    QStringList words;
    for (int i = 0; i < count; ++i) {
        QString word = syllables[i % syllables.size()];
        word += syllables[(i / syllables.size() + i) % syllables.size()];
        if (i % 3 == 0)
            word += syllables[(i * 7) % syllables.size()];
        word[0] = word[0].toUpper();
        words.append(word);
    }
    return words;
}

// A Windows-1252 list with CR LF line ends, as older lists are: umlauts, phrases,
// blanks at either end, one letter, an empty line, exactly 100 letters and one too many.
QByteArray legacyList()
{
    QStringList words = syllableWords({"mä", "ße", "lo", "ün", "ka", "bär", "ti", "rö"}, 240);
    words << "weiße Maus" << " Anfang" << "Ende  " << "x" << "" << QString(100, u'a') << QString(101, u'b');
    QByteArray bytes;
    for (const QString &word : words)
        bytes += word.toLatin1() + "\r\n";
    return bytes;
}

// A UTF-8 list with CR alone ending its lines: letters outside Windows-1252 and
// outside the Basic Multilingual Plane.
QByteArray unicodeList()
{
    QStringList words = syllableWords({"ło", "dź", "ña", "ğu", "ø", "ğö", "ce"}, 200);
    words << "Kätzchen 🐈" << "ǅemal" << "Œuvre" << "naïve Ära";
    return words.join(u'\r').toUtf8();
}

// The names a player types; an empty answer (cancel) keeps the name; "anna" comes first only when case is ignored.
const QStringList Names{"Jörg Müller", "  Leerzeichen  ", "Łukasz 🐈", "", "anna ZOË", "Freund und Gast", "名前"};

} // namespace

class LongSessionTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void thousandsOfRoundsKeepFileBoardAndMemoryRight();

private:
    void loadList(fang &w, const QString &name);
    void checkBoard(fang &w, bool justScattered);
    void tick(fang &w);
    void checkScores(fang &w, const QString &entry, const QStringList &before);
    qint64 settledHeap(fang &w);

    QTemporaryDir m_dir;
    QString m_startDir;
    QString m_word;
    int m_seconds = 0;
    int m_reshuffles = 0;
};

void LongSessionTest::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_startDir = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_dir.path()));
    writeBytes(QStringLiteral("ALT.TXT"), legacyList());
    writeBytes(QStringLiteral("NEU.TXT"), unicodeList());
}

void LongSessionTest::cleanupTestCase()
{
    QVERIFY(QDir::setCurrent(m_startDir));
    QVERIFY(QApplication::topLevelWidgets().isEmpty());
}

// Through the file panel, as a player loads a list.
void LongSessionTest::loadList(fang &w, const QString &name)
{
    if (w.Bild11->isHidden())
        w.Bild3_Click();
    QVERIFY(!w.Bild11->isHidden());
    QVERIFY(w.Verzeichnis1->setPath(m_dir.path()));
    const auto found = w.Datei1->findItems(name, Qt::MatchExactly);
    QCOMPARE(found.size(), 1);
    w.Datei1->setCurrentItem(found.first());
    w.Datei1_DblClick();
    QVERIFY(w.Bild11->isHidden());
    QVERIFY(!w.Bezeichnung3->text().isEmpty());
    m_word = w.Bezeichnung3->text() + w.Bezeichnung5->text();
}

// The labels spell the word, the marker stands on the player's cell, and the field
// shows just the remaining letters on cells of their own within the grid.
void LongSessionTest::checkBoard(fang &w, bool justScattered)
{
    const Modul1 &m = w.MODUL1;
    QCOMPARE(w.Bezeichnung3->text() + w.Bezeichnung5->text(), m.CurrentWord);
    QCOMPARE(w.Bezeichnung4->text() + m.CurrentWord, m_word);
    QVERIFY(m.PlayerX >= 0 && m.PlayerX < 18 && m.PlayerY >= 0 && m.PlayerY < 11);
    // A cell is 400 twips, 80/3 pixels, inside the field's one-pixel border.
    QCOMPARE(w.Bezeichnung8->pos(), QPoint(1 + qRound(m.PlayerX * 80 / 3.0), 1 + qRound(m.PlayerY * 80 / 3.0)));
    const QList<uint> letters = m.CurrentWord.toUcs4();
    QList<PrintedText> expected;
    QSet<QPoint> cells;
    for (int i = 1; i <= letters.size(); ++i) {
        const QPoint cell(m.LetterX[i], m.LetterY[i]);
        QVERIFY(cell.x() >= 0 && cell.x() < 18 && cell.y() >= 0 && cell.y() < 11);
        cells.insert(cell);
        if (justScattered)
            QVERIFY(cell != QPoint(m.PlayerX, m.PlayerY));
        const char32_t letter = letters[i - 1];
        expected.append({400 * cell.x(), 400 * cell.y(), QString::fromUcs4(&letter, 1)});
    }
    QCOMPARE(cells.size(), letters.size());
    QCOMPARE(w.Bild5->canvas().items(), expected);
}

void LongSessionTest::tick(fang &w)
{
    w.Zeit1_Timer();
    ++m_seconds;
    QCOMPARE(w.Bezeichnung6->text(), QString::number(m_seconds));
    const bool reshuffled = m_seconds % w.HBildlauf1->value() == 0;
    m_reshuffles += reshuffled;
    if (!w.MODUL1.CurrentWord.isEmpty())
        checkBoard(w, reshuffled);
}

// The file holds the first hundred entries of the list, sorted, each line one entry;
// the round just won is in the list once more than before, and nothing else changed.
void LongSessionTest::checkScores(fang &w, const QString &entry, const QStringList &before)
{
    const QStringList listed = w.Liste1->items();
    QCOMPARE(listed.size(), before.size() + 1);
    QCOMPARE(listed.count(entry), before.count(entry) + 1);
    QStringList withoutNew = listed;
    withoutNew.removeAt(withoutNew.indexOf(entry));
    QStringList sortedBefore = before;
    sortedBefore.sort();
    withoutNew.sort();
    QCOMPARE(withoutNew, sortedBefore);

    // Every name typed here is either Latin-1, which Windows-1252 writes alike, or needs UTF-8.
    QString text;
    for (const QString &line : listed.mid(0, 100))
        text += u'>' + line + QStringLiteral("\r\n");
    const bool narrow = std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 0x100; });
    QVERIFY(scoresSettled(w));
    QCOMPARE(readBytes(scorefile::FileName), narrow ? text.toLatin1() : text.toUtf8());
    for (qsizetype i = 1; i < listed.size(); ++i) {
        QVERIFY(QString::compare(listed[i - 1], listed[i], Qt::CaseInsensitive) <= 0);
        // The fields alone order them: word length, seconds, period.
        QVERIFY(listed[i - 1].left(14) <= listed[i].left(14));
    }
}

// The heap with the game in the same state each time: the same list freshly loaded,
// the window taken up again so the high-score list is the file's hundred entries.
qint64 LongSessionTest::settledHeap(fang &w)
{
    loadList(w, QStringLiteral("ALT.TXT"));
    w.Form_Activate();
    QTest::qVerify(scoresSettled(w), "scoresSettled(w)", "", __FILE__, __LINE__);
    m_word = w.Bezeichnung3->text() + w.Bezeichnung5->text();
    return heapInUse();
}

void LongSessionTest::thousandsOfRoundsKeepFileBoardAndMemoryRight()
{
    QElapsedTimer clock;
    clock.start();
    ScriptedPlatform platform;
    fang w(platform);
    int pauses = 0;
    int results = 0;
    platform.whileBoxOpen = [&](const ScriptedPlatform::Box &box) {
        // The clock stands still while a box is open, whatever box it is.
        QVERIFY(!w.Zeit1->isActive());
        pauses += box.title == QLatin1String("Spielpause");
        results += box.title == QLatin1String("Quendolin");
    };

    w.Form_Activate();
    QVERIFY(scoresSettled(w));
    // The list is read while the game asks for a word list; that it is missing is told after.
    QCOMPARE(platform.texts(), (QStringList{"Bitte erst eine Datei laden!\r(Doppelklick auf Dateiliste)\r",
                                            "Bestenliste fehlt.\r"}));
    loadList(w, QStringLiteral("ALT.TXT"));

    QString name = w.Bezeichnung14->text();
    int won = 0;
    int abandoned = 0;
    int moves = 0;
    qint64 heapAtRound100 = 0;
    for (int round = 1; won < Rounds; ++round) {
        // The checks run in helpers; stop at the first round that went wrong.
        if (QTest::currentTestFailed())
            return;
        // Between rounds: another list, the window taken up again, a new name, a new word.
        // The boxes shown are checked as they come; the record of them would only grow.
        platform.boxes.clear();
        platform.inputs.clear();
        // Up to five words are taken in a round: new name, new word, file panel, window, next round.
        if (round % 47 == 0 || w.List1->listCount() < 6)
            loadList(w, round % 2 ? QStringLiteral("NEU.TXT") : QStringLiteral("ALT.TXT"));
        if (round % 41 == 0) {
            // The file is read back into the list; it held the first hundred entries.
            const QStringList listed = w.Liste1->items();
            const int boxes = platform.boxes.size();
            w.Form_Activate();
            QVERIFY(scoresSettled(w));
            QCOMPARE(platform.boxes.size(), boxes);
            QCOMPARE(w.Liste1->items(), listed.mid(0, 100));
            m_word = w.Bezeichnung3->text() + w.Bezeichnung5->text();
        }
        if (round % 13 == 0) {
            const QString typed = Names[(round / 13) % Names.size()];
            platform.typed.enqueue(typed);
            w.Bild7_Click();
            if (!typed.isEmpty())
                name = typed;
            QCOMPARE(w.Bezeichnung14->text(), name);
            m_word = w.Bezeichnung3->text() + w.Bezeichnung5->text();
        }
        if (round % 11 == 0) {
            w.Bild10_Click();
            m_word = w.Bezeichnung3->text() + w.Bezeichnung5->text();
        }
        w.HBildlauf1->setValue(3 + round % 13);
        QVERIFY(w.Bild11->isHidden());
        QVERIFY(!m_word.isEmpty());
        QCOMPARE(w.Bezeichnung6->text(), QStringLiteral("0"));

        m_seconds = 0;
        w.Bild5_Click();
        QVERIFY(w.Zeit1->isActive());
        if (!w.MODUL1.CurrentWord.isEmpty())
            checkBoard(w, true);

        // During the round: pause, the high-score panel, the file panel given up on.
        const QStringList listedBefore = w.Liste1->items();
        const int resultsBefore = results;
        bool gaveUp = false;
        int steps = 0;
        while (w.Zeit1->isActive() && !QTest::currentTestFailed()) {
            QVERIFY2(++steps < 5000, "the round does not end");
            if (steps == 5 && round % 7 == 0)
                w.Bild6_Click();
            if (steps == 9 && round % 9 == 0) {
                w.Bild9_Click();
                QVERIFY(!w.Zeit1->isActive());
                w.Bezeichnung20_Click();
                QVERIFY(w.Zeit1->isActive());
            }
            if (steps == 12 && round % 23 == 0) {
                w.Bild3_Click();
                QVERIFY(!w.Zeit1->isActive());
                w.Bild3_Click();
                gaveUp = true;
                break;
            }
            if (steps % 3 == 0) {
                tick(w);
                continue;
            }
            const QPoint target(w.MODUL1.LetterX[1], w.MODUL1.LetterY[1]);
            const QPoint player(w.MODUL1.PlayerX, w.MODUL1.PlayerY);
            const int key = target.x() > player.x()   ? fang::KeyRight
                            : target.x() < player.x() ? fang::KeyLeft
                            : target.y() > player.y() ? fang::KeyDown
                                                      : fang::KeyUp;
            w.Form_KeyDown(key, 0);
            ++moves;
            if (!w.MODUL1.CurrentWord.isEmpty())
                checkBoard(w, false);
        }
        if (gaveUp) {
            ++abandoned;
            QCOMPARE(w.Liste1->items(), listedBefore);
            m_word = w.Bezeichnung3->text() + w.Bezeichnung5->text();
            continue;
        }

        // Won: one result, one entry, the file rewritten; closing the panel sets up the next word.
        ++won;
        QVERIFY(w.MODUL1.CurrentWord.isEmpty());
        QCOMPARE(w.Bezeichnung4->text(), m_word);
        QCOMPARE(results, resultsBefore + 1);
        QVERIFY(platform.texts().contains(QStringLiteral("Du hast es in %1 Sekunden geschafft.\r").arg(m_seconds)));
        const QString entry = QStringLiteral("%1 %2 %3 %4")
                                  .arg(m_word.toUcs4().size(), 4)
                                  .arg(m_seconds, 4)
                                  .arg(w.HBildlauf1->value(), 4)
                                  .arg(name);
        checkScores(w, entry, listedBefore);
        w.Bezeichnung20_Click();
        m_word = w.Bezeichnung3->text() + w.Bezeichnung5->text();

        if (won == 100)
            heapAtRound100 = settledHeap(w);
    }

    // Every round won left exactly one result box.
    QCOMPARE(results, won);
    QVERIFY(pauses > 0);
    QVERIFY(m_reshuffles > Rounds);
    QVERIFY(abandoned > 0);

    const qint64 heapAtEnd = settledHeap(w);
    qInfo("%d rounds won, %d given up, %d moves, %d reshuffles in %lld ms; heap at round 100: %lld, at the end: %lld",
          won, abandoned, moves, m_reshuffles, clock.elapsed(), heapAtRound100, heapAtEnd);
    QVERIFY2(heapAtEnd <= heapAtRound100 + heapMargin(), "memory grows with the rounds played");
}

QTEST_MAIN(LongSessionTest)
#include "longsession_test.moc"
