// The log captured to a file under a flood: a peer in a process of its own (this program, started with
// --peer) sends replies as fast as its socket takes them, each in a write of its own, to the main window,
// which logs every arrival as a row, shown and followed; or each reply answers a command the window sends on
// the reply before, as a run does, so every reply is a row. Each once without and once with the capture, in
// the same run: the rows per second taken and written, the longest stall of the window's thread (the longest
// gap between two passes of a 1 ms timer), and the file read back as the log window reads it.
//
// usage: bench_capture [replies=1000000]
//        bench_capture --read FILE (a log file read back as the log window reads it)

#include "core/link/LogCapture.h"
#include "core/link/LogExport.h"
#include "core/link/LogReader.h"
#include "core/link/MessageLog.h"
#include "core/link/Session.h"
#include "core/link/TargetLink.h"
#include "gui/Dialogs.h"
#include "gui/MainWindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
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
#include <functional>
#include <memory>

namespace {

QByteArray reply(int i) {
    return QByteArrayLiteral("GP:") + QByteArray::number(i % 100000) + QByteArrayLiteral(" OK\r\n");
}

// The peer: one client, the replies (each at once, or each as the answer to one arrival), then it waits for
// the client to go.
int runPeer(int replies, bool answering) {
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
    char sink[256];
    for (int i = 0; i < replies; ++i) {
        if (answering && ::recv(client, sink, sizeof sink, 0) <= 0)
            return 1;
        const QByteArray bytes = reply(i);
        if (::send(client, bytes.constData(), std::size_t(bytes.size()), MSG_NOSIGNAL) != bytes.size())
            return 1;
    }
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
    double readSeconds = 0; // the file read back into a log in the background
    double readStallMs = 0;
    qint64 readRows = 0;
    double formatUsPerRow = 0;
};

// Runs an event loop until done() holds, and returns the longest gap between two passes of a 1 ms timer.
double longestStall(const std::function<bool()>& done) {
    double longest = 0;
    QElapsedTimer sinceTick;
    QTimer probe;
    probe.setInterval(1);
    probe.setTimerType(Qt::PreciseTimer);
    QEventLoop loop;
    QObject::connect(&probe, &QTimer::timeout, &probe, [&] {
        longest = std::max(longest, sinceTick.nsecsElapsed() / 1e6);
        sinceTick.restart();
        if (done())
            loop.quit();
    });
    sinceTick.start();
    probe.start();
    loop.exec();
    return longest;
}

// answering: the window sends a command for every reply, as a run does, and the peer answers each; so every
// reply is an arrival of its own. Otherwise the peer sends all replies unasked, and arrivals hold many.
Run flood(int replies, bool capture, bool answering) {
    Run run;
    QProcess peer;
    peer.setProgram(QCoreApplication::applicationFilePath());
    peer.setArguments({answering ? QStringLiteral("--answering-peer") : QStringLiteral("--peer"),
                       QString::number(replies)});
    peer.start();
    if (!peer.waitForReadyRead(30000))
        return run;
    const QByteArray first = peer.readLine();
    const QByteArray port = first.mid(5).trimmed();

    QTemporaryDir folder;
    QFile ini(folder.filePath(QStringLiteral("Setup.ini")));
    if (ini.open(QIODevice::WriteOnly))
        ini.write("[SETTINGS]\r\nConnect=1\r\nSelTab=1\r\nLanguage=1\r\nName=127.0.0.1\r\nPort=" + port +
                  "\r\nCaptureLog=" + (capture ? "1" : "0") + "\r\nCaptureFileMB=2000\r\n");
    ini.close();
    CancellingDialogs dialogs;
    auto window = std::make_unique<MainWindow>(MainWindowEnvironment{folder.path(), folder.path(), &dialogs});
    window->show();

    qint64 expected = 0;
    for (int i = 0; i < replies; ++i)
        expected += reply(i).size();
    MessageLog* log = window->session()->log();
    Session* session = window->session();
    int asked = 0;
    QObject::connect(session, &Session::received, window.get(), [&](const QByteArray& bytes, bool answered) {
        run.bytes += bytes.size();
        if (answering && answered && asked < replies) {
            ++asked;
            session->SendCommandLine(QStringLiteral("GP"));
        }
    });

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
        if (answering && asked == 0 && window->link()->state() == TargetLink::Connected) {
            ++asked;
            session->SendCommandLine(QStringLiteral("GP"));
        }
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
        const QString logs = QFileInfo(file).absolutePath();
        for (const QString& name : LogCapture::captureFiles(logs)) {
            QFile written(logs + QLatin1Char('/') + name);
            if (written.open(QIODevice::ReadOnly)) {
                while (!written.atEnd())
                    run.lines += written.read(1 << 20).count('\n');
            }
        }
        // What the capture costs the window's thread: each row formatted once.
        QElapsedTimer formatting;
        formatting.start();
        qsizetype formatted = 0;
        for (int row = 0; row < log->size(); ++row)
            formatted += LogExport::jsonLine(*log, row).size();
        run.formatUsPerRow = formatting.nsecsElapsed() / 1e3 / std::max(1, log->size());
        Q_UNUSED(formatted)
        // Opened again as the log window opens it: in the background, the window's thread taking the rows.
        MessageLog back;
        LogFileLoader loader(&back);
        QElapsedTimer reading;
        reading.start();
        loader.load(file);
        run.readStallMs = longestStall([&loader] { return !loader.loading(); });
        run.readSeconds = reading.nsecsElapsed() / 1e9;
        run.readRows = back.size();
    }
    window->close();
    window.reset();
    peer.kill();
    peer.waitForFinished();
    return run;
}

void print(const char* name, const Run& run, int replies) {
    std::printf("%-13s %d rows in %.2f s: %.0f rows/s, %.0f replies/s; longest stall of the window %.1f ms",
                name, run.rows, run.seconds, run.seconds > 0 ? run.rows / run.seconds : 0.0,
                run.seconds > 0 ? replies / run.seconds : 0.0, run.longestStallMs);
    if (run.lines > 0 || run.dropped > 0)
        std::printf(
            "; file: %lld lines (%lld dropped), last line on disk %.3f s after the last row, formatting "
            "%.2f us per row on the window's thread",
            static_cast<long long>(run.lines), static_cast<long long>(run.dropped), run.drainSeconds,
            run.formatUsPerRow);
    if (run.readRows > 0)
        std::printf("; read back in the background: %lld rows in %.2f s, %.0f rows/s, longest stall %.1f ms",
                    static_cast<long long>(run.readRows), run.readSeconds, run.readRows / run.readSeconds,
                    run.readStallMs);
    std::printf("\n");
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 2 && std::strcmp(argv[1], "--peer") == 0)
        return runPeer(std::atoi(argv[2]), false);
    if (argc > 2 && std::strcmp(argv[1], "--answering-peer") == 0)
        return runPeer(std::atoi(argv[2]), true);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    // --read FILE: only the reading back, of a file of any size.
    if (argc > 2 && std::strcmp(argv[1], "--read") == 0) {
        MessageLog back;
        LogFileLoader loader(&back);
        QElapsedTimer reading;
        reading.start();
        loader.load(QString::fromLocal8Bit(argv[2]));
        const double stall = longestStall([&loader] { return !loader.loading(); });
        const double seconds = reading.nsecsElapsed() / 1e9;
        std::printf("read back in the background: %d rows in %.2f s, %.0f rows/s, longest stall %.1f ms\n",
                    back.size(), seconds, back.size() / seconds, stall);
        return 0;
    }
    const int replies = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1000000;
    // The unasked flood is short: three rounds, off and on in turn, so a stall of the machine shows as such.
    for (const bool answering : {true, false, false, false}) {
        std::printf("%d replies from a peer process, %s\n", replies,
                    answering ? "each the answer to a command the window sends on the reply before"
                              : "unasked, as fast as the socket takes them (arrivals hold many)");
        const Run off = flood(replies, false, answering);
        print("capture off:", off, replies);
        const Run on = flood(replies, true, answering);
        print("capture on:", on, replies);
        std::printf("ratio, replies/s (on / off): %.2f; longest stall (on / off): %.2f\n",
                    off.seconds > 0 && on.seconds > 0 ? off.seconds / on.seconds : 0.0,
                    off.longestStallMs > 0 ? on.longestStallMs / off.longestStallMs : 0.0);
        std::fflush(stdout);
    }
    return 0;
}
