#pragma once

#include <QProcessEnvironment>
#include <QStringList>

// Whether Qt will find a screen for the window under this environment and these
// command-line arguments: the platform chosen with -platform or QT_QPA_PLATFORM, or
// else an X server, or a Wayland compositor that listens where Qt's Wayland plugin
// is installed (qtPluginFolder: Qt's own plugin folder). Qt itself aborts with a core
// dump when it finds none.
bool displayReachable(const QProcessEnvironment &environment, const QStringList &arguments,
                      const QString &qtPluginFolder);

// Ends the program with a one-line message and status 1 when no display is reachable.
// Must run before the QApplication is made.
void requireDisplay(int argc, char *argv[]);
