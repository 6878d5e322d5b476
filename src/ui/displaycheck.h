#pragma once

#include <QProcessEnvironment>

// Whether Qt will find a screen for the window under this environment: the platform
// chosen in QT_QPA_PLATFORM, or else an X server or a Wayland compositor that listens.
// Qt itself aborts with a core dump when it finds none.
bool displayReachable(const QProcessEnvironment &environment);

// Ends the program with a one-line message and status 1 when no display is reachable.
// Must run before the QApplication is made.
void requireDisplay();
