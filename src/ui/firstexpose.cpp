#include "ui/firstexpose.h"

#include <QEvent>
#include <QWidget>
#include <QWindow>

FirstExpose::FirstExpose(QWidget &window, std::function<void()> callback)
    : m_callback(std::move(callback))
{
    window.winId();
    window.windowHandle()->installEventFilter(this);
}

bool FirstExpose::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Expose && static_cast<QWindow *>(watched)->isExposed()) {
        watched->removeEventFilter(this);
        m_callback();
    }
    return false;
}
