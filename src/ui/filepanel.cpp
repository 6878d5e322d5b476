#include "ui/filepanel.h"

#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QPainter>
#include <QStorageInfo>
#include <QStyledItemDelegate>

#include <algorithm>

namespace {

constexpr int DepthRole = Qt::UserRole + 1;
constexpr int IndentPixels = 12;

QStringList systemDrives()
{
    QStringList drives{QStringLiteral("/")};
    for (const QStorageInfo &volume : QStorageInfo::mountedVolumes()) {
        // Single files bound into a container are no drives.
        if (volume.isValid() && QFileInfo(volume.rootPath()).isDir())
            drives.append(volume.rootPath());
    }
    drives.removeDuplicates();
    std::sort(drives.begin() + 1, drives.end());
    return drives;
}

QString driveLabel(const QString &mountPoint)
{
    const QString name = QStorageInfo(mountPoint).name();
    if (name.isEmpty())
        return mountPoint;
    return mountPoint + QStringLiteral("  [") + name + u']';
}

QString absolute(const QString &path)
{
    return QDir::cleanPath(QDir(path).absolutePath());
}

// '*' and '?' in any letter case. QDir's name filters would do, but they compile a
// regular expression, which alone cost the game half a megabyte at every start.
bool wildcardMatch(QStringView pattern, QStringView name)
{
    qsizetype p = 0;
    qsizetype n = 0;
    qsizetype star = -1;
    qsizetype resume = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == u'*') {
            star = p++;
            resume = n;
        } else if (p < pattern.size()
                   && (pattern[p] == u'?' || pattern[p].toCaseFolded() == name[n].toCaseFolded())) {
            ++p;
            ++n;
        } else if (star >= 0) {
            p = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*')
        ++p;
    return p == pattern.size();
}

bool holds(const QString &folder, const QString &path)
{
    if (path == folder)
        return true;
    return path.startsWith(folder.endsWith(u'/') ? folder : folder + u'/');
}

// Return and the keypad's Enter, not held down.
bool activationKey(const QKeyEvent *event)
{
    return (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && !event->isAutoRepeat();
}

// Draws each folder indented by its depth in the tree, highlight included.
class IndentDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QStyleOptionViewItem indented(option);
        indented.rect.adjust(index.data(DepthRole).toInt() * IndentPixels, 0, 0, 0);
        QStyledItemDelegate::paint(painter, indented, index);
    }

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        return QStyledItemDelegate::sizeHint(option, index)
            + QSize(index.data(DepthRole).toInt() * IndentPixels, 0);
    }
};

} // namespace

DriveListBox::DriveListBox(QWidget *parent)
    : QComboBox(parent)
{
    setDrives(systemDrives());
    connect(this, &QComboBox::currentIndexChanged, this, [this](int index) {
        const QString drive = itemData(index).toString();
        if (index < 0 || drive == m_drive)
            return;
        m_drive = drive;
        emit changed();
    });
}

void DriveListBox::setDrive(const QString &drive)
{
    const int index = findData(drive);
    if (index >= 0)
        setCurrentIndex(index);
}

QString DriveListBox::driveOf(const QString &path) const
{
    const QString clean = absolute(path);
    QString best;
    for (const QString &drive : drives()) {
        if (holds(drive, clean) && drive.size() > best.size())
            best = drive;
    }
    return best;
}

QStringList DriveListBox::drives() const
{
    QStringList all;
    for (int i = 0; i < count(); ++i)
        all.append(itemData(i).toString());
    return all;
}

void DriveListBox::setDrives(const QStringList &mountPoints)
{
    const QSignalBlocker quiet(this);
    clear();
    for (const QString &mountPoint : mountPoints)
        addItem(driveLabel(mountPoint), mountPoint);
    m_drive = driveOf(QDir::currentPath());
    setCurrentIndex(findData(m_drive));
}

DirListBox::DirListBox(QWidget *parent)
    : QListWidget(parent)
    , m_path(absolute(QDir::currentPath()))
{
    setItemDelegate(new IndentDelegate(this));
    setFrameShape(QFrame::Box);
    fill();
    connect(this, &QListWidget::itemDoubleClicked, this, &DirListBox::open);
}

bool DirListBox::canRead(const QString &folder)
{
    const QFileInfo info(folder);
    return info.isDir() && info.isReadable() && info.isExecutable();
}

bool DirListBox::setPath(const QString &path)
{
    const QString clean = absolute(path);
    if (!canRead(clean))
        return false;
    const bool differs = clean != m_path;
    m_path = clean;
    fill();
    if (differs)
        emit changed();
    return true;
}

QString DirListBox::folder(int row) const
{
    const QListWidgetItem *entry = item(row);
    return entry ? entry->data(Qt::UserRole).toString() : QString();
}

void DirListBox::open(QListWidgetItem *item)
{
    const QString folder = item->data(Qt::UserRole).toString();
    if (setPath(folder))
        return;
    // The double-click moved the highlight; put it back on the folder shown.
    fill();
    emit openFailed(folder);
}

void DirListBox::keyPressEvent(QKeyEvent *event)
{
    if (activationKey(event) && currentItem())
        open(currentItem());
    else
        QListWidget::keyPressEvent(event);
}

// Text only, no folder pictures: the indent tells the path from its subfolders, and
// looking pictures up in the desktop's icon theme made every start noticeably slower.
void DirListBox::fill()
{
    clear();
    QStringList chain;
    for (QDir dir(m_path);;) {
        chain.prepend(dir.absolutePath());
        if (!dir.cdUp())
            break;
    }
    int depth = 0;
    for (const QString &folder : chain) {
        auto *entry = new QListWidgetItem(depth == 0 ? folder : QFileInfo(folder).fileName(), this);
        entry->setData(Qt::UserRole, folder);
        entry->setData(DepthRole, depth++);
    }
    setCurrentRow(count() - 1);

    const QFileInfoList subfolders = QDir(m_path).entryInfoList(
        QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase | QDir::LocaleAware);
    for (const QFileInfo &info : subfolders) {
        auto *entry = new QListWidgetItem(info.fileName(), this);
        entry->setData(Qt::UserRole, absolute(info.absoluteFilePath()));
        entry->setData(DepthRole, depth);
    }
    scrollToItem(currentItem());
}

FileListBox::FileListBox(QWidget *parent)
    : QListWidget(parent)
    , m_path(absolute(QDir::currentPath()))
{
    setFrameShape(QFrame::Box);
    fill();
}

void FileListBox::setPath(const QString &path)
{
    m_path = absolute(path);
    fill();
}

void FileListBox::setPattern(const QString &pattern)
{
    m_pattern = pattern;
    fill();
}

int FileListBox::selectedIndex() const
{
    const QListWidgetItem *entry = currentItem();
    return entry && entry->isSelected() ? row(entry) : -1;
}

QString FileListBox::fileName(int index) const
{
    const QListWidgetItem *entry = item(index);
    return entry ? entry->text() : QString();
}

void FileListBox::keyPressEvent(QKeyEvent *event)
{
    if (activationKey(event) && currentItem()) {
        currentItem()->setSelected(true);
        emit keyActivated();
        return;
    }
    QListWidget::keyPressEvent(event);
}

void FileListBox::fill()
{
    clear();
    QStringList files = QDir(m_path).entryList(QDir::Files, QDir::Name | QDir::IgnoreCase | QDir::LocaleAware);
    files.removeIf([this](const QString &file) { return !wildcardMatch(m_pattern, file); });
    addItems(files);
}
