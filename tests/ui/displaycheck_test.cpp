#include "ui/displaycheck.h"

#include <QCoreApplication>
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
    // Variables as NAME=value; "{X}" is the test's display number, "{RUN}" its runtime
    // folder. The server that listens is "x" (on the abstract X socket) or a socket
    // name in the runtime folder.
    QTest::addColumn<QStringList>("variables");
    QTest::addColumn<QString>("server");
    QTest::addColumn<bool>("reachable");

    QTest::newRow("no display and no platform") << QStringList{} << "" << false;
    QTest::newRow("X display whose server listens") << QStringList{"DISPLAY=:{X}"} << "x" << true;
    QTest::newRow("screen of a listening X display") << QStringList{"DISPLAY=unix:{X}.0"} << "x" << true;
    QTest::newRow("X display without a server") << QStringList{"DISPLAY=:{X}1"} << "x" << false;
    QTest::newRow("X display on another host is left to Qt") << QStringList{"DISPLAY=elsewhere:0"} << "" << true;
    QTest::newRow("Wayland socket in the runtime folder")
        << QStringList{"WAYLAND_DISPLAY=wl-test", "XDG_RUNTIME_DIR={RUN}"} << "wl-test" << true;
    QTest::newRow("Wayland name without a socket")
        << QStringList{"WAYLAND_DISPLAY=wl-test", "XDG_RUNTIME_DIR={RUN}"} << "" << false;
    QTest::newRow("Wayland socket by absolute path")
        << QStringList{"WAYLAND_DISPLAY={RUN}/wl-test"} << "wl-test" << true;
    QTest::newRow("Wayland session without the variable takes wayland-0")
        << QStringList{"XDG_SESSION_TYPE=wayland", "XDG_RUNTIME_DIR={RUN}"} << "wayland-0" << true;
    QTest::newRow("wayland-0 is not tried outside a Wayland session")
        << QStringList{"XDG_RUNTIME_DIR={RUN}"} << "wayland-0" << false;
    QTest::newRow("Wayland down, X up") << QStringList{"WAYLAND_DISPLAY=wl-test", "XDG_RUNTIME_DIR={RUN}",
                                                       "DISPLAY=:{X}"}
                                        << "x" << true;
    QTest::newRow("offscreen platform needs no server") << QStringList{"QT_QPA_PLATFORM=offscreen"} << "" << true;
    QTest::newRow("xcb platform without a display") << QStringList{"QT_QPA_PLATFORM=xcb"} << "" << false;
    QTest::newRow("xcb platform does not take a listening Wayland")
        << QStringList{"QT_QPA_PLATFORM=xcb", "WAYLAND_DISPLAY=wl-test", "XDG_RUNTIME_DIR={RUN}"} << "wl-test"
        << false;
    QTest::newRow("Wayland chosen by name takes wayland-0")
        << QStringList{"QT_QPA_PLATFORM=wayland", "XDG_RUNTIME_DIR={RUN}"} << "wayland-0" << true;
    QTest::newRow("platform list falls back to xcb")
        << QStringList{"QT_QPA_PLATFORM=wayland;xcb:nograb", "DISPLAY=:{X}", "XDG_RUNTIME_DIR={RUN}"} << "x"
        << true;
}

void DisplayCheckTest::displayReachable()
{
    QFETCH(QStringList, variables);
    QFETCH(QString, server);
    QFETCH(bool, reachable);

    QTemporaryDir run;
    QVERIFY(run.isValid());
    QProcessEnvironment environment;
    for (QString variable : variables) {
        variable.replace("{X}", QString::number(testDisplay())).replace("{RUN}", run.path());
        environment.insert(variable.section('=', 0, 0), variable.section('=', 1));
    }
    const QByteArray socket = server == "x"
        ? QByteArray(1, '\0') + "/tmp/.X11-unix/X" + QByteArray::number(testDisplay())
        : QFile::encodeName(run.filePath(server));
    std::unique_ptr<Listener> listener;
    if (!server.isEmpty()) {
        listener = std::make_unique<Listener>(socket);
        QVERIFY(listener->ok());
    }

    QCOMPARE(::displayReachable(environment), reachable);
}

QTEST_GUILESS_MAIN(DisplayCheckTest)
#include "displaycheck_test.moc"
