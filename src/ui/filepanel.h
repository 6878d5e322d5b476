#pragma once

#include <QComboBox>
#include <QListWidget>

// The three selectors of the file panel.
class DriveListBox : public QComboBox
{
    Q_OBJECT

public:
    using QComboBox::QComboBox;
};

class DirListBox : public QListWidget
{
    Q_OBJECT

public:
    using QListWidget::QListWidget;
};

class FileListBox : public QListWidget
{
    Q_OBJECT

public:
    using QListWidget::QListWidget;
};
