// Servers on 127.0.0.1 for the update check: Python's http.server serving files from a
// temporary folder on a free port, a port that listens but never answers, and a port where
// nobody listens.
#pragma once

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>

class LocalHttpServer {
  public:
    LocalHttpServer() {
        // Port 0 lets the system pick a free port; the server prints the one it got.
        const QString script = QStringLiteral(
            "import http.server, sys\n"
            "class Handler(http.server.SimpleHTTPRequestHandler):\n"
            "    def __init__(self, *args, **kwargs):\n"
            "        super().__init__(*args, directory=sys.argv[1], **kwargs)\n"
            "    def log_message(self, *args):\n"
            "        pass\n"
            "server = http.server.ThreadingHTTPServer(('127.0.0.1', 0), Handler)\n"
            "print(server.server_address[1], flush=True)\n"
            "server.serve_forever()\n");
        process_.start(QStringLiteral("/usr/bin/python3"), {"-c", script, root_.path()});
        if (process_.waitForReadyRead(30000)) port_ = process_.readLine().trimmed().toInt();
    }

    ~LocalHttpServer() {
        process_.terminate();
        if (!process_.waitForFinished(5000)) process_.kill();
        process_.waitForFinished(5000);
    }

    bool running() const { return port_ > 0; }
    QString base() const { return QStringLiteral("http://127.0.0.1:%1").arg(port_); }

    // Serves `bytes` at `path` (which starts with "/").
    void serve(const QString& path, const QByteArray& bytes) const {
        const QString file = root_.path() + path;
        QDir().mkpath(QFileInfo(file).absolutePath());
        QFile out(file);
        if (out.open(QIODevice::WriteOnly | QIODevice::Truncate)) out.write(bytes);
    }

  private:
    QTemporaryDir root_;
    QProcess process_;
    int port_ = 0;
};

// Accepts connections (the system completes them) and never sends a byte.
class SilentServer {
  public:
    SilentServer() { server_.listen(QHostAddress::LocalHost, 0); }
    QString base() const { return QStringLiteral("http://127.0.0.1:%1").arg(server_.serverPort()); }
    // Waits for the next client and keeps its connection open, without answering.
    bool waitForConnection(int milliseconds) {
        if (!server_.waitForNewConnection(milliseconds)) return false;
        server_.nextPendingConnection();  // a child of the server, closed with it
        return true;
    }

  private:
    QTcpServer server_;
};

// A port that was free a moment ago: connections to it are refused.
inline QString RefusingBase() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 port = probe.serverPort();
    probe.close();
    return QStringLiteral("http://127.0.0.1:%1").arg(port);
}
