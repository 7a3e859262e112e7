// The program itself under a real X server (Xvfb, xcb platform): its window shows within five
// seconds, and a close request or SIGTERM ends it cleanly with its settings saved and nothing
// on standard error.
#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>
#include <cstring>
#include <memory>
#include <optional>

namespace {

const QByteArray kTitle = "Dravelo v.1.0.14";
constexpr int kShowWithinMs = 5000;
constexpr int kEndWithinMs = 15000;

// An X server of its own, on the display number it picks itself. It keeps running between
// clients instead of starting over whenever the last one leaves.
class Xvfb {
  public:
    Xvfb() {
        server_.start(
            QStringLiteral("Xvfb"),
            {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-nolisten"),
             QStringLiteral("tcp"), QStringLiteral("-noreset"), QStringLiteral("-screen"),
             QStringLiteral("0"), QStringLiteral("1024x768x24")});
        // The server writes its display number once it accepts clients.
        while (server_.state() != QProcess::NotRunning && !server_.canReadLine())
            server_.waitForReadyRead(kEndWithinMs);
        const QByteArray number = server_.readLine().trimmed();
        if (!number.isEmpty()) display_ = ":" + number;
    }
    ~Xvfb() {
        server_.terminate();
        server_.waitForFinished(kEndWithinMs);
    }
    const QByteArray& display() const { return display_; }

  private:
    QProcess server_;
    QByteArray display_;
};

// A client connection that looks for the program's window and asks it to close.
class XClient {
  public:
    explicit XClient(const QByteArray& display)
        : connection_(xcb_connect(display.constData(), nullptr)) {}
    ~XClient() { xcb_disconnect(connection_); }
    bool connected() const { return xcb_connection_has_error(connection_) == 0; }

    // The shown top-level window whose title is `title`.
    std::optional<xcb_window_t> ShownWindow(const QByteArray& title) {
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;
        auto* tree = xcb_query_tree_reply(connection_, xcb_query_tree(connection_, root), nullptr);
        if (!tree) return std::nullopt;
        std::optional<xcb_window_t> found;
        const xcb_window_t* children = xcb_query_tree_children(tree);
        for (int i = 0; i < xcb_query_tree_children_length(tree) && !found; ++i)
            if (Title(children[i]) == title && Viewable(children[i])) found = children[i];
        free(tree);
        return found;
    }

    // What the window manager sends when the user closes a window.
    void RequestClose(xcb_window_t window) {
        xcb_client_message_event_t message = {};
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = window;
        message.type = Atom("WM_PROTOCOLS");
        message.data.data32[0] = Atom("WM_DELETE_WINDOW");
        message.data.data32[1] = XCB_CURRENT_TIME;
        xcb_send_event(connection_, false, window, XCB_EVENT_MASK_NO_EVENT,
                       reinterpret_cast<const char*>(&message));
        xcb_flush(connection_);
    }

  private:
    xcb_atom_t Atom(const char* name) {
        auto* reply = xcb_intern_atom_reply(
            connection_, xcb_intern_atom(connection_, 0, std::strlen(name), name), nullptr);
        const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
        free(reply);
        return atom;
    }

    QByteArray Title(xcb_window_t window) {
        auto* reply =
            xcb_get_property_reply(connection_,
                                   xcb_get_property(connection_, 0, window, XCB_ATOM_WM_NAME,
                                                    XCB_GET_PROPERTY_TYPE_ANY, 0, 256),
                                   nullptr);
        QByteArray title;
        if (reply)
            title = QByteArray(static_cast<const char*>(xcb_get_property_value(reply)),
                               xcb_get_property_value_length(reply));
        free(reply);
        return title;
    }

    bool Viewable(xcb_window_t window) {
        auto* reply = xcb_get_window_attributes_reply(
            connection_, xcb_get_window_attributes(connection_, window), nullptr);
        const bool viewable = reply && reply->map_state == XCB_MAP_STATE_VIEWABLE;
        free(reply);
        return viewable;
    }

    xcb_connection_t* connection_;
};

enum class Ending { CloseRequest, Sigterm };

class ProgramUnderX : public ::testing::TestWithParam<Ending> {
  protected:
    static void SetUpTestSuite() { server_ = std::make_unique<Xvfb>(); }
    static void TearDownTestSuite() { server_.reset(); }
    static std::unique_ptr<Xvfb> server_;
};

std::unique_ptr<Xvfb> ProgramUnderX::server_;

}  // namespace

TEST_P(ProgramUnderX, ShowsItsWindowAndEndsCleanlyWithItsSettingsSaved) {
    ASSERT_FALSE(server_->display().isEmpty()) << "Xvfb did not start";
    XClient client(server_->display());
    ASSERT_TRUE(client.connected());
    QTemporaryDir config, runtime, work;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), QString::fromLatin1(server_->display()));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    environment.remove(QStringLiteral("QT_SCALE_FACTOR"));
    // Under the leak checker, what the D-Bus library keeps is not the program's.
    environment.insert(
        QStringLiteral("LSAN_OPTIONS"),
        QStringLiteral("print_suppressions=0:suppressions=" DRAVELO_LEAK_SUPPRESSIONS ":") +
            environment.value(QStringLiteral("LSAN_OPTIONS")));
    QProcess program;
    program.setProcessEnvironment(environment);
    program.setWorkingDirectory(work.path());
    program.start(QStringLiteral(DRAVELO_PROGRAM), {});
    ASSERT_TRUE(program.waitForStarted());

    std::optional<xcb_window_t> window;
    const QDeadlineTimer shown(kShowWithinMs);
    while (!window && !shown.hasExpired() && program.state() == QProcess::Running) {
        window = client.ShownWindow(kTitle);
        if (!window) QThread::msleep(20);
    }
    ASSERT_TRUE(window.has_value()) << "no window within five seconds";

    if (GetParam() == Ending::CloseRequest)
        client.RequestClose(*window);
    else
        program.terminate();
    ASSERT_TRUE(program.waitForFinished(kEndWithinMs));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);
    EXPECT_EQ(program.readAllStandardError().toStdString(), "");
    QSettings stored(config.filePath(QStringLiteral("Quarnell/Quarnell.conf")),
                     QSettings::IniFormat);
    EXPECT_EQ(stored.value(QStringLiteral("Dravelo/NrFiles")), "20");
    EXPECT_EQ(stored.value(QStringLiteral("Dravelo/NrPrevPath")), "1");
}

INSTANTIATE_TEST_SUITE_P(Endings, ProgramUnderX,
                         ::testing::Values(Ending::CloseRequest, Ending::Sigterm),
                         [](const auto& info) {
                             return info.param == Ending::CloseRequest ? "CloseRequest" : "Sigterm";
                         });
