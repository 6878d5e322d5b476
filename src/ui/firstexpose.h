#pragma once

#include <QObject>

#include <functional>

class QWidget;

// Calls back once, when the window is first exposed on screen: the start-up sequence
// must not run again when the window is uncovered, shown again or activated after a box.
class FirstExpose : public QObject
{
public:
    FirstExpose(QWidget &window, std::function<void()> callback);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    std::function<void()> m_callback;
};
