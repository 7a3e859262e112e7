// The program itself under a real X server (Xvfb, xcb platform): its window shows within five
// seconds, and a close request or SIGTERM ends it cleanly with its settings saved and nothing
// on standard error. A real screen-reader client (AT-SPI on a session bus of its own) finds a
// role and a name for every control a user can reach, and hears what the controls change.
#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
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
    // The window once it shows, for at most five seconds and while `program` runs.
    std::optional<xcb_window_t> WaitForShownWindow(const QByteArray& title,
                                                   const QProcess& program) {
        std::optional<xcb_window_t> window;
        const QDeadlineTimer shown(kShowWithinMs);
        while (!window && !shown.hasExpired() && program.state() == QProcess::Running) {
            window = ShownWindow(title);
            if (!window) QThread::msleep(20);
        }
        return window;
    }

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

    const std::optional<xcb_window_t> window = client.WaitForShownWindow(kTitle, program);
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

namespace {

const char* const kPython = "/usr/bin/python3";
const char* const kBusLauncher = "/usr/libexec/at-spi-bus-launcher";

// What the screen-reader test needs and is missing, or empty.
QString MissingScreenReaderPiece() {
    if (!QFileInfo::exists(QString::fromLatin1(kBusLauncher))) return "at-spi2-core";
    if (QProcess::execute(QStringLiteral("dbus-daemon"), {QStringLiteral("--version")}) != 0)
        return "dbus (dbus-daemon)";
    if (QProcess::execute(QString::fromLatin1(kPython),
                          {QStringLiteral("-c"), QStringLiteral("import pyatspi")}) != 0)
        return "python3-pyatspi";
    return {};
}

// A session bus of its own, which starts the accessibility bus when a client asks for it.
class SessionBus {
  public:
    SessionBus() {
        daemon_.start(QStringLiteral("dbus-daemon"),
                      {QStringLiteral("--session"), QStringLiteral("--nofork"),
                       QStringLiteral("--print-address=1")});
        while (daemon_.state() != QProcess::NotRunning && !daemon_.canReadLine())
            daemon_.waitForReadyRead(kEndWithinMs);
        address_ = QString::fromLatin1(daemon_.readLine().trimmed());
    }
    ~SessionBus() {
        daemon_.terminate();
        daemon_.waitForFinished(kEndWithinMs);
    }
    const QString& address() const { return address_; }

  private:
    QProcess daemon_;
    QString address_;
};

// What a program started in the session sees: the X server, the session bus, the bridge to the
// screen reader switched on, and folders of the test's own.
QProcessEnvironment DesktopSession(const Xvfb& server, const SessionBus& bus, const QString& config,
                                   const QString& runtime) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), QString::fromLatin1(server.display()));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus.address());
    environment.insert(QStringLiteral("QT_LINUX_ACCESSIBILITY_ALWAYS_ON"), QStringLiteral("1"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config);
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    environment.remove(QStringLiteral("QT_SCALE_FACTOR"));
    environment.insert(
        QStringLiteral("LSAN_OPTIONS"),
        QStringLiteral("print_suppressions=0:suppressions=" DRAVELO_LEAK_SUPPRESSIONS ":") +
            environment.value(QStringLiteral("LSAN_OPTIONS")));
    return environment;
}

// An X server and a session bus of the test's own, and what a program started there sees.
class ScreenReader : public ::testing::Test {
  protected:
    void SetUp() override {
        const QString missing = MissingScreenReaderPiece();
        if (!missing.isEmpty())
            GTEST_SKIP() << "no screen-reader check: " << missing.toStdString()
                         << " is not installed";
        ASSERT_FALSE(server.display().isEmpty()) << "Xvfb did not start";
        ASSERT_FALSE(bus.address().isEmpty()) << "dbus-daemon did not start";
        environment = DesktopSession(server, bus, config.path(), runtime.path());
    }

    Xvfb server;
    SessionBus bus;
    QTemporaryDir config, runtime;
    QProcessEnvironment environment;
};

}  // namespace

TEST_F(ScreenReader, EveryControlAUserCanReachHasARoleAndAName) {
    QTemporaryDir work;
    QProcess program;
    program.setProcessEnvironment(environment);
    program.setWorkingDirectory(work.path());
    program.start(QStringLiteral(DRAVELO_PROGRAM), {});
    ASSERT_TRUE(program.waitForStarted());

    XClient client(server.display());
    const std::optional<xcb_window_t> window = client.WaitForShownWindow(kTitle, program);
    ASSERT_TRUE(window.has_value()) << "no window within five seconds";

    QProcess reader;
    reader.setProcessEnvironment(environment);
    reader.start(QString::fromLatin1(kPython),
                 {QStringLiteral(DRAVELO_SCREEN_READER_WALK), QStringLiteral("20")});
    ASSERT_TRUE(reader.waitForFinished(60000));
    const QString tree = QString::fromUtf8(reader.readAllStandardOutput());
    EXPECT_EQ(reader.exitCode(), 0) << reader.readAllStandardError().toStdString();
    program.terminate();
    program.waitForFinished(kEndWithinMs);

    const QStringList nodes = tree.split(u'\n', Qt::SkipEmptyParts);
    EXPECT_TRUE(nodes.contains(QStringLiteral("frame\tDravelo v.1.0.14"))) << tree.toStdString();
    // Three menu buttons, two number boxes and their editors, the calculator, the drive box and
    // its editor, two start buttons, four check boxes, two progress bars.
    EXPECT_GE(nodes.size(), 18) << tree.toStdString();
    for (const QString& node : nodes) {
        const QString role = node.section(u'\t', 0, 0);
        EXPECT_FALSE(role.isEmpty() || role == u"unknown" || role == u"invalid" ||
                     role == u"filler")
            << node.toStdString();
        EXPECT_FALSE(node.section(u'\t', 1).trimmed().isEmpty())
            << "no name: " << node.toStdString();
    }
}

// Qt's bridge switches itself on only once the accessibility bus is there, and a screen reader
// is what usually starts it; here the session bus is asked to start it before the controls
// change, so every change has a listener.
TEST_F(ScreenReader, ControlChangesReachTheScreenReaderAsEvents) {
    QProcess start;
    start.setProcessEnvironment(environment);
    start.start(QStringLiteral("dbus-send"),
                {QStringLiteral("--session"), QStringLiteral("--print-reply"),
                 QStringLiteral("--dest=org.a11y.Bus"), QStringLiteral("/org/a11y/bus"),
                 QStringLiteral("org.a11y.Bus.GetAddress")});
    if (!start.waitForStarted()) GTEST_SKIP() << "no screen-reader check: dbus-send is missing";
    ASSERT_TRUE(start.waitForFinished(kEndWithinMs));
    ASSERT_EQ(start.exitCode(), 0) << start.readAllStandardError().toStdString();

    QProcess probe;
    probe.setProcessEnvironment(environment);
    probe.start(QStringLiteral(DRAVELO_EVENTS_PROBE), {});
    ASSERT_TRUE(probe.waitForFinished(60000));
    EXPECT_EQ(probe.exitCode(), 0) << probe.readAllStandardOutput().toStdString()
                                   << probe.readAllStandardError().toStdString();
}
