#include "ui/accessibility.h"

#include "ui/controls.h"
#include "ui/fang.h"
#include "ui/filepanel.h"
#include "ui/zaplabel.h"

#include <QAccessibleWidget>
#include <QApplication>
#include <QHash>
#include <QListView>
#include <QPointer>
#include <QScrollBar>
#include <QTimer>

#include <algorithm>

namespace {

const QString ActivateAction = QStringLiteral("activate");

// Whether a panel stacked above the control, in the same container, covers all of it.
bool covered(const QWidget *control)
{
    bool above = false;
    for (const QObject *sibling : control->parentWidget()->children()) {
        if (sibling == control) {
            above = true;
            continue;
        }
        const auto *panel = qobject_cast<const PictureBox *>(sibling);
        if (above && panel && !panel->isHidden() && panel->geometry().contains(control->geometry()))
            return true;
    }
    return false;
}

// Whether the player can see the control: shown, inside the window's client area (the
// controls that only hold values lie beyond its right edge, the closed high-score panel
// too) and not under an open panel.
bool inSight(const QWidget *control)
{
    const QWidget *window = control->window();
    if (control == window)
        return true;
    if (!control->isVisibleTo(window)
        || !QRect(control->mapTo(window, QPoint(0, 0)), control->size()).intersects(window->rect()))
        return false;
    for (const QWidget *w = control; w != window; w = w->parentWidget()) {
        if (covered(w))
            return false;
    }
    return true;
}

// Whether the player could click the control now: not while a modal box holds the game.
bool takesInput(const QWidget *control)
{
    const QWidget *modal = QApplication::activeModalWidget();
    return control->isVisible() && control->isEnabled() && inSight(control)
           && (!modal || modal == control->window());
}

// An assistive technology waits on the bus for its action to return; a click that opens a
// modal box would hold it until the box closes. So the click comes after the answer.
template <typename Control>
void clickLater(Control *control)
{
    QTimer::singleShot(0, control, [control] {
        if (takesInput(control))
            emit control->clicked();
    });
}

// A window or control as the player sees it: out of sight it is invisible, says nothing
// and offers no action.
class ControlAccessible : public QAccessibleWidget
{
public:
    using QAccessibleWidget::QAccessibleWidget;

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        if (!inSight(widget())) {
            state.invisible = true;
            state.offscreen = true;
            state.focusable = false;
        }
        return state;
    }

    QString text(QAccessible::Text t) const override { return inSight(widget()) ? shownText(t) : QString(); }

    QStringList actionNames() const override
    {
        if (!inSight(widget()))
            return {};
        QStringList names = QAccessibleWidget::actionNames();
        if (isClickable())
            names.prepend(pressAction());
        return names;
    }

    void doAction(const QString &name) override
    {
        if (!inSight(widget()))
            return;
        if (name == pressAction())
            click();
        else
            QAccessibleWidget::doAction(name);
    }

protected:
    virtual QString shownText(QAccessible::Text t) const { return QAccessibleWidget::text(t); }
    virtual bool isClickable() const { return false; }
    virtual void click() {}
};

// Picture buttons, the playing field and the two panels.
class PictureBoxAccessible : public ControlAccessible, public QAccessibleTextInterface
{
public:
    explicit PictureBoxAccessible(PictureBox *box)
        : ControlAccessible(box)
    {
    }

    QAccessible::Role role() const override
    {
        if (!box()->picture().isEmpty())
            return QAccessible::Button;
        return isField() ? QAccessible::Canvas : QAccessible::Pane;
    }

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TextInterface && isField())
            return static_cast<QAccessibleTextInterface *>(this);
        return ControlAccessible::interface_cast(type);
    }

    // The field's text: what is printed on it.
    using ControlAccessible::text;
    QString text(int startOffset, int endOffset) const override
    {
        const QString all = printed();
        if (endOffset < 0 || endOffset > all.size())
            endOffset = static_cast<int>(all.size());
        startOffset = std::max(startOffset, 0);
        return startOffset < endOffset ? all.mid(startOffset, endOffset - startOffset) : QString();
    }
    int characterCount() const override { return static_cast<int>(printed().size()); }
    void selection(int, int *startOffset, int *endOffset) const override { *startOffset = *endOffset = 0; }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint &) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int offset, int *startOffset, int *endOffset) const override
    {
        *startOffset = *endOffset = offset;
        return {};
    }

protected:
    bool isClickable() const override { return box()->isClickable(); }
    void click() override { clickLater(box()); }

private:
    PictureBox *box() const { return static_cast<PictureBox *>(widget()); }
    // The panels are picture boxes without a picture too, but nothing happens on their click.
    bool isField() const { return box()->picture().isEmpty() && box()->isClickable(); }

    // Everything printed but the letters of a round: while a round is in play its marker,
    // the field's label, stands on the field, and all that is printed are letters to catch.
    QString printed() const
    {
        const QWidget *marker = box()->findChild<Label *>(QString(), Qt::FindDirectChildrenOnly);
        if (!inSight(box()) || (marker && !marker->isHidden()))
            return {};
        QStringList lines;
        for (const PrintedText &item : box()->canvas().items())
            lines.append(item.text);
        return lines.join(u'\n');
    }
};

// Captions; a caption that closes something when clicked is a button.
class LabelAccessible : public ControlAccessible
{
public:
    explicit LabelAccessible(Label *label)
        : ControlAccessible(label)
    {
    }

    QAccessible::Role role() const override
    {
        return label()->isClickable() ? QAccessible::Button : QAccessible::StaticText;
    }

protected:
    QString shownText(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name && label()->accessibleName().isEmpty())
            return label()->text();
        return ControlAccessible::shownText(t);
    }
    bool isClickable() const override { return label()->isClickable(); }
    void click() override { clickLater(label()); }

private:
    Label *label() const { return static_cast<Label *>(widget()); }
};

// The period's bar: its value is read and set as the player drags it.
class ScrollBarAccessible : public ControlAccessible, public QAccessibleValueInterface
{
public:
    explicit ScrollBarAccessible(QScrollBar *bar)
        : ControlAccessible(bar, QAccessible::ScrollBar)
    {
    }

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::ValueInterface && inSight(bar()))
            return static_cast<QAccessibleValueInterface *>(this);
        return ControlAccessible::interface_cast(type);
    }

    QVariant currentValue() const override { return bar()->value(); }
    void setCurrentValue(const QVariant &value) override
    {
        if (takesInput(bar()))
            bar()->setValue(value.toInt());
    }
    QVariant maximumValue() const override { return bar()->maximum(); }
    QVariant minimumValue() const override { return bar()->minimum(); }
    QVariant minimumStepSize() const override { return bar()->singleStep(); }

    QStringList actionNames() const override
    {
        return inSight(bar()) ? QStringList{increaseAction(), decreaseAction()} : QStringList();
    }

    void doAction(const QString &name) override
    {
        if (!takesInput(bar()))
            return;
        if (name == increaseAction())
            bar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        else if (name == decreaseAction())
            bar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
    }

protected:
    QString shownText(QAccessible::Text t) const override
    {
        return t == QAccessible::Value ? QString::number(bar()->value()) : ControlAccessible::shownText(t);
    }

private:
    QScrollBar *bar() const { return static_cast<QScrollBar *>(widget()); }
};

QModelIndex entryIndex(const QListView *view, int row)
{
    return view->model() ? view->model()->index(row, view->modelColumn(), view->rootIndex()) : QModelIndex();
}

// One entry of a list; it lives as long as its list's interface and stands for a row.
class EntryAccessible : public QAccessibleInterface, public QAccessibleActionInterface
{
public:
    EntryAccessible(QListView *view, int row, bool activatable)
        : m_view(view)
        , m_row(row)
        , m_activatable(activatable)
    {
    }

    bool isValid() const override { return m_view && index().isValid(); }
    QObject *object() const override { return nullptr; }
    QWindow *window() const override { return m_view ? m_view->window()->windowHandle() : nullptr; }
    QAccessibleInterface *parent() const override { return QAccessible::queryAccessibleInterface(m_view); }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    void setText(QAccessible::Text, const QString &) override {}

    QString text(QAccessible::Text t) const override
    {
        if (t != QAccessible::Name || !isValid() || !inSight(m_view))
            return {};
        return index().data().toString();
    }

    QRect rect() const override
    {
        if (!isValid())
            return {};
        const QRect r = m_view->visualRect(index());
        return QRect(m_view->viewport()->mapToGlobal(r.topLeft()), r.size());
    }

    QAccessible::State state() const override
    {
        QAccessible::State state;
        if (!isValid() || !inSight(m_view)) {
            state.invisible = true;
            return state;
        }
        state.selectable = m_view->selectionMode() != QAbstractItemView::NoSelection;
        state.selected = m_view->selectionModel() && m_view->selectionModel()->isSelected(index());
        state.focusable = m_view->focusPolicy() != Qt::NoFocus;
        state.focused = m_view->hasFocus() && m_view->currentIndex() == index();
        state.offscreen = !m_view->viewport()->rect().intersects(m_view->visualRect(index()));
        return state;
    }

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface *>(this) : nullptr;
    }

    QStringList actionNames() const override
    {
        return m_activatable && isValid() && inSight(m_view) ? QStringList{ActivateAction} : QStringList();
    }

    QStringList keyBindingsForAction(const QString &) const override { return {}; }

    // Activating an entry chooses and double-clicks it, as Return does.
    void doAction(const QString &name) override
    {
        if (name != ActivateAction || !m_activatable || !m_view)
            return;
        QTimer::singleShot(0, m_view, [view = m_view.data(), row = m_row] {
            const QModelIndex index = entryIndex(view, row);
            if (!index.isValid() || !takesInput(view))
                return;
            view->setCurrentIndex(index);
            view->selectionModel()->select(index, QItemSelectionModel::ClearAndSelect);
            emit view->doubleClicked(index);
        });
    }

    QListView *view() const { return m_view; }
    int row() const { return m_row; }

private:
    QModelIndex index() const { return entryIndex(m_view, m_row); }

    QPointer<QListView> m_view;
    int m_row;
    bool m_activatable;
};

// The game's lists: the file panel's folders and files, whose entries can be activated,
// the high-score list and the word store.
class ListAccessible : public ControlAccessible
{
public:
    ListAccessible(QListView *view, bool activatable)
        : ControlAccessible(view, QAccessible::List)
        , m_activatable(activatable)
    {
    }

    ~ListAccessible() override
    {
        for (QAccessible::Id id : std::as_const(m_entries))
            QAccessible::deleteAccessibleInterface(id);
    }

    int childCount() const override
    {
        if (!inSight(view()) || !view()->model())
            return 0;
        return view()->model()->rowCount(view()->rootIndex());
    }

    QAccessibleInterface *child(int index) const override
    {
        if (index < 0 || index >= childCount())
            return nullptr;
        if (const QAccessible::Id id = m_entries.value(index))
            return QAccessible::accessibleInterface(id);
        auto *entry = new EntryAccessible(view(), index, m_activatable);
        m_entries.insert(index, QAccessible::registerAccessibleInterface(entry));
        return entry;
    }

    int indexOfChild(const QAccessibleInterface *child) const override
    {
        const auto *entry = dynamic_cast<const EntryAccessible *>(child);
        return entry && entry->view() == view() && entry->row() < childCount() ? entry->row() : -1;
    }

    QAccessibleInterface *childAt(int x, int y) const override
    {
        const QModelIndex index = view()->indexAt(view()->viewport()->mapFromGlobal(QPoint(x, y)));
        return index.isValid() ? child(index.row()) : nullptr;
    }

private:
    QListView *view() const { return static_cast<QListView *>(widget()); }

    bool m_activatable;
    mutable QHash<int, QAccessible::Id> m_entries;
};

QAccessibleInterface *createInterface(QObject *object)
{
    if (auto *box = qobject_cast<PictureBox *>(object))
        return new PictureBoxAccessible(box);
    if (auto *label = qobject_cast<Label *>(object))
        return new LabelAccessible(label);
    if (auto *bar = qobject_cast<ScrollBar *>(object))
        return new ScrollBarAccessible(bar);
    if (auto *files = qobject_cast<FileListBox *>(object))
        return new ListAccessible(files, true);
    if (auto *folders = qobject_cast<DirListBox *>(object))
        return new ListAccessible(folders, true);
    if (auto *list = qobject_cast<ListBox *>(object))
        return new ListAccessible(list, false);
    if (auto *main = qobject_cast<fang *>(object))
        return new ControlAccessible(main, QAccessible::Window);
    if (auto *info = qobject_cast<ZAPLABEL *>(object))
        return new ControlAccessible(info, QAccessible::Dialog);
    return nullptr;
}

// The controls createInterface() answers for.
bool hasOwnInterface(const QObject *object)
{
    return qobject_cast<const PictureBox *>(object) || qobject_cast<const Label *>(object)
           || qobject_cast<const ScrollBar *>(object) || qobject_cast<const FileListBox *>(object)
           || qobject_cast<const DirListBox *>(object) || qobject_cast<const ListBox *>(object)
           || qobject_cast<const fang *>(object) || qobject_cast<const ZAPLABEL *>(object);
}

// Qt asks for each class from the object's own up to QObject. Only the object's own class
// is answered: an object still being built is not yet of its class and keeps Qt's.
QAccessibleInterface *gameFactory(const QString &className, QObject *object)
{
    if (!object || className != QLatin1String(object->metaObject()->className()))
        return nullptr;
    return createInterface(object);
}

// Interfaces asked for while the controls were being built are Qt's, made for a base
// class; they go, so that the next question makes the game's own.
void replaceEarlyInterfaces(QWidget *window)
{
    QList<QWidget *> widgets = window->findChildren<QWidget *>();
    widgets.prepend(window);
    for (QWidget *w : std::as_const(widgets)) {
        QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(w);
        if (iface && !dynamic_cast<ControlAccessible *>(iface) && hasOwnInterface(w))
            QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(iface));
    }
}

void install(QWidget *window)
{
    QAccessible::installFactory(gameFactory);
    replaceEarlyInterfaces(window);
}

} // namespace

void makeAccessible(fang &window)
{
    // Controls without a caption of their own are named after what they set or show.
    window.HBildlauf1->setAccessibleName(QStringLiteral("Tempo"));
    window.HBildlauf1->setAccessibleDescription(QStringLiteral("schnell – langsam"));
    window.Bild11->setAccessibleName(QStringLiteral("Dateien"));
    window.Laufwerk1->setAccessibleName(QStringLiteral("Laufwerk"));
    window.Verzeichnis1->setAccessibleName(QStringLiteral("Ordner"));
    window.Datei1->setAccessibleName(QStringLiteral("Textlisten"));
    window.Bild1->setAccessibleName(QStringLiteral("Bestenliste"));
    window.Liste1->setAccessibleName(QStringLiteral("Bestenliste"));
    install(&window);
}

void makeAccessible(ZAPLABEL &window)
{
    install(&window);
}
