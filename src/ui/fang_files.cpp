// The file panel and the loading of word lists.
#include "ui/fang.h"

#include "game/platform.h"
#include "ui/controls.h"
#include "ui/filepanel.h"
#include "words/wordlistfile.h"

#include <QDir>
#include <QFileInfo>
#include <QTimer>

namespace {

// Where the directory list goes on a drive: it stays where it is when it is on
// that drive already (a restored drive), else the program's current directory
// when that lies on the drive, else the drive's root.
QString folderOnDrive(const DriveListBox &drives, const QString &drive, const QString &shown)
{
    if (drives.driveOf(shown) == drive)
        return shown;
    const QString current = QDir::currentPath();
    if (drives.driveOf(current) == drive)
        return current;
    return drive;
}

} // namespace

void fang::Bild3_Click()
{
    Zeit1->stop();
    Bezeichnung8->hide();
    Bild5->clear();
    if (!Bild11->isHidden()) {
        Bild11->hide();
        Bild10_Click();
    } else {
        Bild11->show();
        Bild11->raise();
    }
}

void fang::Laufwerk1_Change()
{
    if (Verzeichnis1->setPath(folderOnDrive(*Laufwerk1, Laufwerk1->drive(), Verzeichnis1->path())))
        return;
    // A restored drive that is not ready either is left to the outer run below.
    if (m_restoringDrive)
        return;
    m_platform->messageBox(QStringLiteral("Laufwerk ist nicht bereit!"), Platform::Buttons::Ok,
                           Platform::Icon::None, QStringLiteral("Laufwerkfehler"));
    m_restoringDrive = true;
    Laufwerk1->setDrive(Laufwerk1->driveOf(Verzeichnis1->path()));
    if (!DirListBox::canRead(Verzeichnis1->path()) || Laufwerk1->drive() != Laufwerk1->driveOf(Verzeichnis1->path())) {
        // Nothing to go back to: the root folder is always there.
        Verzeichnis1->setPath(QStringLiteral("/"));
        Laufwerk1->setDrive(Laufwerk1->driveOf(Verzeichnis1->path()));
    }
    m_restoringDrive = false;
}

void fang::Verzeichnis1_Change()
{
    Datei1->setPath(Verzeichnis1->path());
}

void fang::Datei1_DblClick()
{
    const int index = Datei1->selectedIndex();
    if (index < 0)
        return;
    const QString path = words::joinPath(Datei1->path(), Datei1->fileName(index));
    // Read before anything changes, so that a failed load keeps the list and the round.
    const words::WordListFile file = words::readWordListFile(path);
    if (!file.ok) {
        m_platform->messageBox(file.error, Platform::Buttons::Ok, Platform::Icon::None,
                               QStringLiteral("Textliste"));
        return;
    }
    Bezeichnung10->setText(path);
    List1->setItems(file.entries);
    Bezeichnung9->setText(QString::number(List1->listCount()));
    Bild11->hide();
    NextWord();
}

void fang::reportUnreadableFolder(const QString &folder)
{
    m_platform->messageBox(QStringLiteral("Der Ordner lässt sich nicht öffnen:\r") + QFileInfo(folder).fileName()
                               + u'\r',
                           Platform::Buttons::Ok, Platform::Icon::None, QStringLiteral("Laufwerkfehler"));
}
