#include "ui/windowplacement.h"

#include "ui/controls.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#ifdef ZAPLINO_HAVE_XCB
#include <QDeadlineTimer>
#include <QThread>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>
#endif

QPoint windowOrigin(QSize screenPixels, QSize windowPixels, float leftDivisor, float topDivisor)
{
    const float twips = static_cast<float>(TwipsPerPixel);
    const float left = (screenPixels.width() * twips - windowPixels.width() * twips) / leftDivisor;
    const float top = (screenPixels.height() * twips - windowPixels.height() * twips) / topDivisor;
    return QPoint(twipsToPixels(left), twipsToPixels(top));
}

void placeWindow(QWidget *window, float leftDivisor, float topDivisor)
{
    const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
    const QMargins frame = announcedFrame(window);
    const QPoint origin = windowOrigin(screen, window->frameGeometry().size().grownBy(frame), leftDivisor,
                                      topDivisor);
    // Qt places a window not yet created by its frame, a created one (the request above
    // creates it) by its client area, and the window manager keeps the client area there.
    if (window->testAttribute(Qt::WA_WState_Created))
        window->move(origin + QPoint(frame.left(), frame.top()));
    else
        window->move(origin);
}

#ifdef ZAPLINO_HAVE_XCB
namespace {

template<typename Reply>
using Owned = std::unique_ptr<Reply, decltype(&std::free)>;

template<typename Reply>
Owned<Reply> owned(Reply *reply)
{
    return Owned<Reply>(reply, &std::free);
}

xcb_atom_t atom(xcb_connection_t *c, const char *name)
{
    const auto length = static_cast<uint16_t>(std::strlen(name));
    const auto reply = owned(xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, length, name), nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

// Up to `count` 32-bit values of a window's property.
std::vector<uint32_t> property(xcb_connection_t *c, xcb_window_t window, xcb_atom_t name, xcb_atom_t type,
                               uint32_t count)
{
    const auto cookie = xcb_get_property(c, 0, window, name, type, 0, count);
    const auto reply = owned(xcb_get_property_reply(c, cookie, nullptr));
    if (!reply || reply->format != 32)
        return {};
    const auto *values = static_cast<const uint32_t *>(xcb_get_property_value(reply.get()));
    return std::vector<uint32_t>(values, values + xcb_get_property_value_length(reply.get()) / 4);
}

// A window manager runs and announces frames on request (the EWMH frame-extents request).
bool announcesFrames(xcb_connection_t *c, xcb_window_t root, xcb_atom_t request)
{
    const xcb_atom_t check = atom(c, "_NET_SUPPORTING_WM_CHECK");
    const std::vector<uint32_t> wm = property(c, root, check, XCB_ATOM_WINDOW, 1);
    // A window manager that has gone leaves its list of features behind, but not its check window.
    if (wm.empty() || property(c, wm[0], check, XCB_ATOM_WINDOW, 1) != wm)
        return false;
    const std::vector<uint32_t> supported = property(c, root, atom(c, "_NET_SUPPORTED"), XCB_ATOM_ATOM, 4096);
    return std::find(supported.begin(), supported.end(), request) != supported.end();
}

} // namespace
#endif

QMargins announcedFrame(QWidget *window)
{
#ifdef ZAPLINO_HAVE_XCB
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    // The offscreen platform answers as X11 too, without a connection.
    if (!x11 || !x11->connection() || QGuiApplication::platformName() != QLatin1String("xcb")
        || window->isVisible())
        return {};
    xcb_connection_t *c = x11->connection();
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const xcb_atom_t request = atom(c, "_NET_REQUEST_FRAME_EXTENTS");
    if (!announcesFrames(c, root, request))
        return {};
    const auto id = static_cast<xcb_window_t>(window->winId());

    xcb_client_message_event_t message = {};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = id;
    message.type = request;
    xcb_send_event(c, 0, root, XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                   reinterpret_cast<const char *>(&message));
    xcb_flush(c);

    // Qt's own thread reads the events, so wait for the answer by looking at the property.
    const xcb_atom_t extents = atom(c, "_NET_FRAME_EXTENTS");
    const QDeadlineTimer deadline(250);
    do {
        const std::vector<uint32_t> frame = property(c, id, extents, XCB_ATOM_CARDINAL, 4);
        if (frame.size() == 4) {
            const qreal ratio = window->devicePixelRatioF();
            auto logical = [ratio](uint32_t pixels) { return qRound(pixels / ratio); };
            return QMargins(logical(frame[0]), logical(frame[2]), logical(frame[1]), logical(frame[3]));
        }
        QThread::msleep(2);
    } while (!deadline.hasExpired());
#else
    Q_UNUSED(window);
#endif
    return {};
}
