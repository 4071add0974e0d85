// Turnaround of the command line: send, the peer's reply, the next send, all through the main window's
// session against a peer that answers at once, beside the round trip of two plain loopback sockets in the
// same run. The peer is bench-peer, in a process of its own for both, so only the client side differs.
//
// usage: bench_turnaround [round trips=20000]

#include "BenchPeer.h"
#include "core/link/MessageLog.h"
#include "core/link/Session.h"
#include "core/link/TargetLink.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QHostAddress>
#include <QTcpSocket>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

// Wall time and this thread's CPU time: the machine may be shared, and CPU time shows what the client
// side itself costs.
struct Figures {
    double wallUs = 0;
    double cpuUs = 0;
};

class Stopwatch {
public:
    Stopwatch() {
        m_wall.start();
        m_cpu = threadCpuNs();
    }
    Figures per(int count) const {
        return {m_wall.nsecsElapsed() / 1e3 / count, (threadCpuNs() - m_cpu) / 1e3 / count};
    }

private:
    static double threadCpuNs() {
        timespec t{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return t.tv_sec * 1e9 + t.tv_nsec;
    }
    QElapsedTimer m_wall;
    double m_cpu = 0;
};

// Tab 1 shows the log; tab 3 is where quick-dial scripts are run from, with the log out of sight.
Figures commandLineTurnaround(quint16 port, int roundTrips, int tab) {
    BenchWindow bench(BenchWindow::connectedTo(port, tab));
    Session* session = bench.window->session();
    if (!runUntil([&] { return bench.window->link()->state() == TargetLink::Connected; }, 10000)) {
        std::fprintf(stderr, "command line: no connection\n");
        return {};
    }
    const QString command = QStringLiteral("SM 1");

    QEventLoop loop;
    int left = 0;
    // As a script runner does: the next command goes out when the reply releases ReplyPending.
    QObject::connect(session, &Session::replyPendingChanged, &loop, [&](bool pending) {
        if (pending)
            return;
        if (--left > 0)
            session->SendCommandLine(command);
        else
            loop.quit();
    });
    auto run = [&](int count) {
        left = count;
        session->SendCommandLine(command);
        loop.exec();
    };
    run(roundTrips / 10); // warm up
    const Stopwatch clock;
    run(roundTrips);
    const Figures perTrip = clock.per(roundTrips);
    if (session->log()->size() != 2 * (roundTrips / 10 + roundTrips))
        std::fprintf(stderr, "command line: log holds %d rows\n", session->log()->size());
    return perTrip;
}

Figures plainTurnaround(quint16 port, int roundTrips) {
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    if (!runUntil([&] { return socket.state() == QAbstractSocket::ConnectedState; }, 10000)) {
        std::fprintf(stderr, "plain sockets: no connection\n");
        return {};
    }
    socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    QEventLoop loop;
    int left = 0;
    QObject::connect(&socket, &QTcpSocket::readyRead, &loop, [&] {
        socket.readAll();
        if (--left > 0) {
            socket.write(QByteArrayLiteral("SM 1"));
            socket.flush();
        } else {
            loop.quit();
        }
    });
    auto run = [&](int count) {
        left = count;
        socket.write(QByteArrayLiteral("SM 1"));
        socket.flush();
        loop.exec();
    };
    run(roundTrips / 10);
    const Stopwatch clock;
    run(roundTrips);
    return clock.per(roundTrips);
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int roundTrips = argc > 1 ? std::max(10, std::atoi(argv[1])) : 20000;

    PeerProcess peer;
    if (peer.port() == 0) {
        std::fprintf(stderr, "bench-peer did not start\n");
        return 1;
    }
    const Figures plain = plainTurnaround(peer.port(), roundTrips);
    const Figures logShown = commandLineTurnaround(peer.port(), roundTrips, 1);
    const Figures logHidden = commandLineTurnaround(peer.port(), roundTrips, 3);
    std::printf("turnaround over %d round trips, bench-peer in its own process answering at once\n",
                roundTrips);
    std::printf("                                               wall us/trip   client CPU us/trip\n");
    auto line = [](const char* what, Figures f) {
        std::printf("%-46s %12.1f %18.1f\n", what, f.wallUs, f.cpuUs);
    };
    line("plain loopback sockets", plain);
    line("Session, log tab shown", logShown);
    line("Session, quick-dial tab shown", logHidden);
    if (plain.wallUs > 0 && plain.cpuUs > 0)
        std::printf("ratio to plain sockets, wall: log shown %.1f, log not shown %.1f; CPU: %.1f and %.1f\n",
                    logShown.wallUs / plain.wallUs, logHidden.wallUs / plain.wallUs,
                    logShown.cpuUs / plain.cpuUs, logHidden.cpuUs / plain.cpuUs);
    return 0;
}
