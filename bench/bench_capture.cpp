// The log captured to a file under a flood: a peer in a process of its own (this program, started with
// --peer) sends replies as fast as its socket takes them, each in a write of its own, to the main window,
// which logs every arrival as a row, shown and followed. Once without and once with the capture, in the same
// run: the rows per second taken and written, and the longest stall of the window's thread (the longest gap
// between two passes of a 1 ms timer).
//
// usage: bench_capture [replies=1000000]

#include "core/link/LogCapture.h"
#include "core/link/MessageLog.h"
#include "core/link/Session.h"
#include "core/link/TargetLink.h"
#include "gui/Dialogs.h"
#include "gui/MainWindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

QByteArray reply(int i) {
    return QByteArrayLiteral("GP:") + QByteArray::number(i % 100000) + QByteArrayLiteral(" OK\r\n");
}

// The peer: one client, the replies, then it waits for the client to go.
int runPeer(int replies) {
    const int server = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(server, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(server, 1) != 0 ||
        ::getsockname(server, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return 1;
    std::printf("port %d\n", ntohs(address.sin_port));
    std::fflush(stdout);
    const int client = ::accept(server, nullptr, nullptr);
    const int on = 1;
    ::setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    for (int i = 0; i < replies; ++i) {
        const QByteArray bytes = reply(i);
        if (::send(client, bytes.constData(), std::size_t(bytes.size()), MSG_NOSIGNAL) != bytes.size())
            return 1;
    }
    char sink[256];
    while (::recv(client, sink, sizeof sink, 0) > 0) {
    }
    return 0;
}

struct Run {
    qint64 bytes = 0;
    int rows = 0;
    double seconds = 0; // until the last reply is a row
    double longestStallMs = 0;
    qint64 lines = 0;        // in the capture file
    double drainSeconds = 0; // from the last row until the file holds it
    qint64 dropped = 0;
};

Run flood(int replies, bool capture) {
    Run run;
    QProcess peer;
    peer.setProgram(QCoreApplication::applicationFilePath());
    peer.setArguments({QStringLiteral("--peer"), QString::number(replies)});
    peer.start();
    if (!peer.waitForReadyRead(30000))
        return run;
    const QByteArray first = peer.readLine();
    const QByteArray port = first.mid(5).trimmed();

    QTemporaryDir folder;
    QFile ini(folder.filePath(QStringLiteral("Setup.ini")));
    if (ini.open(QIODevice::WriteOnly))
        ini.write("[SETTINGS]\r\nConnect=1\r\nSelTab=1\r\nLanguage=1\r\nName=127.0.0.1\r\nPort=" + port +
                  "\r\nCaptureLog=" + (capture ? "1" : "0") + "\r\n");
    ini.close();
    CancellingDialogs dialogs;
    auto window = std::make_unique<MainWindow>(MainWindowEnvironment{folder.path(), folder.path(), &dialogs});
    window->show();

    qint64 expected = 0;
    for (int i = 0; i < replies; ++i)
        expected += reply(i).size();
    MessageLog* log = window->session()->log();
    QObject::connect(window->session(), &Session::received, window.get(),
                     [&run](const QByteArray& bytes) { run.bytes += bytes.size(); });

    QElapsedTimer clock;
    QElapsedTimer sinceTick;
    QTimer probe;
    probe.setInterval(1);
    probe.setTimerType(Qt::PreciseTimer);
    QObject::connect(&probe, &QTimer::timeout, &probe, [&] {
        if (run.bytes > 0) {
            if (!clock.isValid())
                clock.start();
            run.longestStallMs = std::max(run.longestStallMs, sinceTick.nsecsElapsed() / 1e6);
        }
        sinceTick.restart();
    });
    sinceTick.start();
    probe.start();
    QEventLoop loop;
    QTimer done;
    done.setInterval(5);
    QObject::connect(&done, &QTimer::timeout, &loop, [&] {
        if (run.bytes >= expected && log->rowCount() == log->size())
            loop.quit();
    });
    done.start();
    loop.exec();
    run.seconds = clock.nsecsElapsed() / 1e9;
    probe.stop();
    run.rows = log->size();

    if (capture) {
        QElapsedTimer draining;
        draining.start();
        const QString file = window->capture()->status().file;
        window->capture()->stop();
        run.drainSeconds = draining.nsecsElapsed() / 1e9;
        run.dropped = window->capture()->status().dropped;
        QFile written(file);
        if (written.open(QIODevice::ReadOnly)) {
            while (!written.atEnd()) {
                const QByteArray block = written.read(1 << 20);
                run.lines += block.count('\n');
            }
        }
    }
    window->close();
    window.reset();
    peer.kill();
    peer.waitForFinished();
    return run;
}

void print(const char* name, const Run& run) {
    std::printf(
        "%-13s %d rows (%.0f replies each) in %.2f s: %.0f rows/s; longest stall of the window %.1f ms", name,
        run.rows, run.rows ? double(run.bytes) / reply(0).size() / run.rows : 0.0, run.seconds,
        run.seconds > 0 ? run.rows / run.seconds : 0.0, run.longestStallMs);
    if (run.lines > 0 || run.dropped > 0)
        std::printf(
            "; file: %lld lines (%lld dropped), %.0f lines/s, last line on disk %.3f s after the last "
            "row",
            static_cast<long long>(run.lines), static_cast<long long>(run.dropped),
            run.seconds + run.drainSeconds > 0 ? run.lines / (run.seconds + run.drainSeconds) : 0.0,
            run.drainSeconds);
    std::printf("\n");
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 2 && std::strcmp(argv[1], "--peer") == 0)
        return runPeer(std::atoi(argv[2]));
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    const int replies = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1000000;
    std::printf("capture flood: %d replies from a peer process, each in a write of its own\n", replies);
    const Run off = flood(replies, false);
    print("capture off:", off);
    const Run on = flood(replies, true);
    print("capture on:", on);
    std::printf("ratio, rows/s (on / off): %.2f; longest stall (on / off): %.2f\n",
                off.seconds > 0 && on.seconds > 0 ? (on.rows / on.seconds) / (off.rows / off.seconds) : 0.0,
                off.longestStallMs > 0 ? on.longestStallMs / off.longestStallMs : 0.0);
    return 0;
}
