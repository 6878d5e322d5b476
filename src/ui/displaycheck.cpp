#include "displaycheck.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QLibraryInfo>
#include <QRegularExpression>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// A leading '\0' names a socket in Linux's abstract namespace.
bool socketListens(const QByteArray &path)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.isEmpty() || path.size() >= static_cast<int>(sizeof address.sun_path))
        return false;
    std::memcpy(address.sun_path, path.constData(), path.size());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + path.size());
    const bool listens = ::connect(fd, reinterpret_cast<const sockaddr *>(&address), length) == 0;
    ::close(fd);
    return listens;
}

bool xServerListens(const QString &display)
{
    if (display.isEmpty())
        return false;
    // A local display, ":0" or "unix:0.1", has its server's socket under /tmp/.X11-unix,
    // listed in the abstract namespace as well. A display on another host is not probed.
    static const QRegularExpression local(QStringLiteral("^(unix)?:(\\d+)(\\.\\d+)?$"));
    const auto match = local.match(display);
    if (!match.hasMatch())
        return true;
    const QByteArray path = "/tmp/.X11-unix/X" + match.captured(2).toLatin1();
    return socketListens('\0' + path) || socketListens(path);
}

// Unless asked for by name, Qt tries Wayland only where the variable is set or the
// session is a Wayland one; without the variable the client library takes wayland-0.
bool waylandListens(const QProcessEnvironment &environment, bool chosen)
{
    QString name = environment.value(QStringLiteral("WAYLAND_DISPLAY"));
    if (name.isEmpty()) {
        if (!chosen && environment.value(QStringLiteral("XDG_SESSION_TYPE")) != QLatin1String("wayland"))
            return false;
        name = QStringLiteral("wayland-0");
    }
    if (!QDir::isAbsolutePath(name)) {
        const QString runtime = environment.value(QStringLiteral("XDG_RUNTIME_DIR"));
        if (runtime.isEmpty())
            return false;
        name = runtime + QLatin1Char('/') + name;
    }
    return socketListens(QFile::encodeName(name));
}

// Whether Qt finds its Wayland plugin (Debian's qt6-wayland) in one of the folders it
// searches: the platform plugin folder named on the command line or in the environment,
// then the platforms/ folder of each plugin folder.
bool waylandPluginPresent(const QProcessEnvironment &environment, const QString &pluginPathArgument,
                          const QString &qtPluginFolder)
{
    QStringList folders{pluginPathArgument.isEmpty()
                            ? environment.value(QStringLiteral("QT_QPA_PLATFORM_PLUGIN_PATH"))
                            : pluginPathArgument};
    QStringList pluginFolders =
        environment.value(QStringLiteral("QT_PLUGIN_PATH")).split(QLatin1Char(':'), Qt::SkipEmptyParts);
    pluginFolders.append(qtPluginFolder);
    for (const QString &folder : pluginFolders)
        folders.append(folder + QStringLiteral("/platforms"));
    const QStringList plugin{QStringLiteral("libqwayland-*.so")};
    return std::any_of(folders.cbegin(), folders.cend(), [&](const QString &folder) {
        return !folder.isEmpty() && !QDir(folder).entryList(plugin, QDir::Files).isEmpty();
    });
}

} // namespace

bool displayReachable(const QProcessEnvironment &environment, const QStringList &arguments,
                      const QString &qtPluginFolder)
{
    // Qt takes "-platform NAME" and "--platform NAME" over QT_QPA_PLATFORM, the last one
    // given counting; "-platform=NAME" is not Qt's and leaves the choice to the rest.
    QString platforms = environment.value(QStringLiteral("QT_QPA_PLATFORM"));
    QString pluginPath;
    for (qsizetype i = 0; i + 1 < arguments.size(); ++i) {
        QString option = arguments.at(i);
        if (option.startsWith(QLatin1String("--")))
            option.remove(0, 1);
        if (option == QLatin1String("-platform"))
            platforms = arguments.at(++i);
        else if (option == QLatin1String("-platformpluginpath"))
            pluginPath = arguments.at(++i);
    }
    const auto wayland = [&](bool chosen) {
        return waylandPluginPresent(environment, pluginPath, qtPluginFolder) && waylandListens(environment, chosen);
    };
    const QString display = environment.value(QStringLiteral("DISPLAY"));
    if (platforms.isEmpty())
        return wayland(false) || xServerListens(display);
    // Qt tries each platform of a list such as "wayland;xcb" in turn. Platforms other
    // than X and Wayland (offscreen, vnc, eglfs …) need no display server.
    for (const QString &entry : platforms.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString platform = entry.section(QLatin1Char(':'), 0, 0);
        if (platform == QLatin1String("xcb") ? xServerListens(display)
            : platform.startsWith(QLatin1String("wayland")) ? wayland(true)
                                                             : true)
            return true;
    }
    return false;
}

void requireDisplay(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    if (displayReachable(QProcessEnvironment::systemEnvironment(), arguments,
                         QLibraryInfo::path(QLibraryInfo::PluginsPath)))
        return;
    // The game speaks German to its players, here too.
    std::fputs("zaplino: Keine grafische Sitzung (X11 oder Wayland) erreichbar; "
               "bitte das Spiel vom Desktop aus starten.\n",
               stderr);
    std::exit(1);
}
