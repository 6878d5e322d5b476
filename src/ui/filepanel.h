#pragma once

#include <QComboBox>
#include <QListWidget>
#include <QString>
#include <QStringList>

class QKeyEvent;

// The three selectors of the file panel. Each starts on the program's current
// directory and never changes it. Assigning a drive or a path from code raises
// the selector's changed() at once, inside the assignment, as a player's choice does.

// The root folder and the mounted volumes stand for the drives.
class DriveListBox : public QComboBox
{
    Q_OBJECT

public:
    explicit DriveListBox(QWidget *parent = nullptr);

    // The mount point of the selected drive.
    QString drive() const { return m_drive; }
    // Selects the listed drive with this mount point; raises changed() when it differs.
    void setDrive(const QString &drive);
    // The listed drive that holds the path: the longest mount point above it.
    QString driveOf(const QString &path) const;
    QStringList drives() const;
    // Replaces the listed drives and selects the one of the current directory,
    // without raising changed().
    void setDrives(const QStringList &mountPoints);

signals:
    void changed();

private:
    QString m_drive;
};

// The folders from the root down to the current one, then its subfolders.
class DirListBox : public QListWidget
{
    Q_OBJECT

public:
    explicit DirListBox(QWidget *parent = nullptr);

    QString path() const { return m_path; }
    // Shows the folder; false, with nothing changed, when it cannot be read.
    // Raises changed() when the path differs.
    bool setPath(const QString &path);
    // The folder an entry stands for.
    QString folder(int row) const;

    static bool canRead(const QString &folder);

signals:
    void changed();
    // A double-clicked folder could not be read; the list stays where it was.
    void openFailed(const QString &folder);

protected:
    // Return opens the folder with the cursor, as a double-click does.
    void keyPressEvent(QKeyEvent *event) override;

private:
    void open(QListWidgetItem *item);
    void fill();

    QString m_path;
};

// The current folder's files matching the pattern in any letter case, by name.
class FileListBox : public QListWidget
{
    Q_OBJECT

public:
    explicit FileListBox(QWidget *parent = nullptr);

    QString path() const { return m_path; }
    void setPath(const QString &path);
    QString pattern() const { return m_pattern; }
    void setPattern(const QString &pattern);
    // −1 when nothing is selected.
    int selectedIndex() const;
    QString fileName(int index) const;

signals:
    // Return or Enter on the entry with the cursor, which is chosen first: the
    // keyboard's double-click.
    void keyActivated();

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void fill();

    QString m_path;
    QString m_pattern = QStringLiteral("*");
};
