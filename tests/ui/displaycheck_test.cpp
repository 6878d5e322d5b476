#include "ui/displaycheck.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cstddef>
#include <cstring>
#include <memory>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// A display number no real server uses here; one above it has no server at all.
int testDisplay()
{
    return 4000 + static_cast<int>(QCoreApplication::applicationPid() % 1000) * 2;
}

// Listens on a Unix socket until destroyed; a leading '\0' is Linux's abstract namespace.
class Listener
{
public:
    explicit Listener(const QByteArray &path)
        : m_fd(::socket(AF_UNIX, SOCK_STREAM, 0))
    {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, path.constData(), path.size());
        const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + path.size());
        m_ok = m_fd >= 0 && ::bind(m_fd, reinterpret_cast<sockaddr *>(&address), length) == 0
            && ::listen(m_fd, 1) == 0;
    }
    ~Listener() { ::close(m_fd); }
    bool ok() const { return m_ok; }

private:
    int m_fd;
    bool m_ok = false;
};

} // namespace

class DisplayCheckTest : public QObject
{
    Q_OBJECT

private slots:
    void displayReachable_data();
    void displayReachable();
};

void DisplayCheckTest::displayReachable_data()
{
    // Settings are variables as NAME=value and command lines beginning with '-'; "{X}"
    // is the test's display number, "{RUN}" its runtime folder, and {RUN}/qt stands for
    // Qt's own plugin folder. The server that listens is "x" (on the abstract X socket)
    // or a socket name in the runtime folder; Qt's Wayland plugin lies in the folder
    // "plugin" of the runtime folder.
    QTest::addColumn<QStringList>("settings");
    QTest::addColumn<QString>("server");
    QTest::addColumn<QString>("plugin");
    QTest::addColumn<bool>("reachable");

    const QString qtPlatforms = "qt/platforms";
    const QStringList wayland{"WAYLAND_DISPLAY=wl-test", "XDG_RUNTIME_DIR={RUN}"};
    QTest::newRow("no display and no platform") << QStringList{} << "" << "" << false;
    QTest::newRow("X display whose server listens") << QStringList{"DISPLAY=:{X}"} << "x" << "" << true;
    QTest::newRow("screen of a listening X display") << QStringList{"DISPLAY=unix:{X}.0"} << "x" << "" << true;
    QTest::newRow("X display without a server") << QStringList{"DISPLAY=:{X}1"} << "x" << "" << false;
    QTest::newRow("X display on another host is left to Qt") << QStringList{"DISPLAY=elsewhere:0"} << "" << ""
                                                             << true;
    QTest::newRow("Wayland socket in the runtime folder") << wayland << "wl-test" << qtPlatforms << true;
    QTest::newRow("Wayland name without a socket") << wayland << "" << qtPlatforms << false;
    QTest::newRow("Wayland socket by absolute path")
        << QStringList{"WAYLAND_DISPLAY={RUN}/wl-test"} << "wl-test" << qtPlatforms << true;
    QTest::newRow("Wayland session without the variable takes wayland-0")
        << QStringList{"XDG_SESSION_TYPE=wayland", "XDG_RUNTIME_DIR={RUN}"} << "wayland-0" << qtPlatforms << true;
    QTest::newRow("wayland-0 is not tried outside a Wayland session")
        << QStringList{"XDG_RUNTIME_DIR={RUN}"} << "wayland-0" << qtPlatforms << false;
    QTest::newRow("Wayland down, X up") << wayland + QStringList{"DISPLAY=:{X}"} << "x" << qtPlatforms << true;
    QTest::newRow("Wayland without Qt's Wayland plugin") << wayland << "wl-test" << "" << false;
    QTest::newRow("Wayland plugin in a folder of QT_PLUGIN_PATH")
        << wayland + QStringList{"QT_PLUGIN_PATH={RUN}/none:{RUN}/extra"} << "wl-test" << "extra/platforms"
        << true;
    QTest::newRow("Wayland plugin in QT_QPA_PLATFORM_PLUGIN_PATH")
        << wayland + QStringList{"QT_QPA_PLATFORM_PLUGIN_PATH={RUN}/direct"} << "wl-test" << "direct" << true;
    QTest::newRow("Wayland plugin folder on the command line")
        << wayland + QStringList{"-platformpluginpath {RUN}/direct"} << "wl-test" << "direct" << true;
    QTest::newRow("offscreen platform needs no server") << QStringList{"QT_QPA_PLATFORM=offscreen"} << "" << ""
                                                        << true;
    QTest::newRow("offscreen platform on the command line") << QStringList{"-platform offscreen"} << "" << ""
                                                            << true;
    QTest::newRow("command line wins over the variable")
        << QStringList{"QT_QPA_PLATFORM=offscreen", "--platform xcb"} << "" << "" << false;
    QTest::newRow("-platform=NAME is not Qt's option") << QStringList{"-platform=offscreen"} << "" << "" << false;
    QTest::newRow("xcb platform without a display") << QStringList{"QT_QPA_PLATFORM=xcb"} << "" << "" << false;
    QTest::newRow("xcb platform does not take a listening Wayland")
        << wayland + QStringList{"QT_QPA_PLATFORM=xcb"} << "wl-test" << qtPlatforms << false;
    QTest::newRow("Wayland chosen by name takes wayland-0")
        << QStringList{"QT_QPA_PLATFORM=wayland", "XDG_RUNTIME_DIR={RUN}"} << "wayland-0" << qtPlatforms << true;
    QTest::newRow("Wayland chosen with options but without its plugin")
        << wayland + QStringList{"QT_QPA_PLATFORM=wayland:foo;xcb"} << "wl-test" << "" << false;
    QTest::newRow("platform list falls back to xcb")
        << QStringList{"QT_QPA_PLATFORM=wayland;xcb:nograb", "DISPLAY=:{X}", "XDG_RUNTIME_DIR={RUN}"} << "x"
        << qtPlatforms << true;
}

void DisplayCheckTest::displayReachable()
{
    QFETCH(QStringList, settings);
    QFETCH(QString, server);
    QFETCH(QString, plugin);
    QFETCH(bool, reachable);

    QTemporaryDir run;
    QVERIFY(run.isValid());
    QProcessEnvironment environment;
    QStringList arguments;
    for (QString setting : settings) {
        setting.replace("{X}", QString::number(testDisplay())).replace("{RUN}", run.path());
        if (setting.startsWith('-'))
            arguments += setting.split(' ');
        else
            environment.insert(setting.section('=', 0, 0), setting.section('=', 1));
    }
    if (!plugin.isEmpty()) {
        QVERIFY(QDir(run.path()).mkpath(plugin));
        QFile file(run.filePath(plugin + "/libqwayland-generic.so"));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    const QByteArray socket = server == "x"
        ? QByteArray(1, '\0') + "/tmp/.X11-unix/X" + QByteArray::number(testDisplay())
        : QFile::encodeName(run.filePath(server));
    std::unique_ptr<Listener> listener;
    if (!server.isEmpty()) {
        listener = std::make_unique<Listener>(socket);
        QVERIFY(listener->ok());
    }

    QCOMPARE(::displayReachable(environment, arguments, run.filePath("qt")), reachable);
}

QTEST_GUILESS_MAIN(DisplayCheckTest)
#include "displaycheck_test.moc"
