// A quick-dial slot of many commands run through the real main window, with the quick-dial tab shown,
// against a peer on a thread of its own that answers each command at once: time per command beside the
// round trip of two plain loopback sockets in the same run, and how long a click waits to be handled while
// the run is in progress.
//
// Clicks are stood in for by events posted from another thread every few milliseconds, as the window
// system's input would arrive: each carries the time it was posted, and the delay until the window thread
// handles it is what a click waits.
//
// Where the window thread and the peer's thread run on different CPUs, waking the other side can cost more
// than the work itself (on a small virtual machine some 40 us each way), which flattens the ratio; run it as
// `taskset -c 0 bench_runner` to see the figures with every hand-over on one CPU.
//
// usage: bench_runner [commands=1000] [repetitions=7]

#include "BenchPeer.h"
#include "core/link/Session.h"
#include "core/link/TargetLink.h"
#include "core/scripts/ScriptRunner.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QEventLoop>
#include <QHostAddress>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double threadCpuUs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e6 + static_cast<double>(t.tv_nsec) / 1e3;
}

// Wall and window-thread CPU time per command or round trip, in microseconds.
struct Figures {
    double wallUs = 0;
    double cpuUs = 0;
};

class Stopwatch {
public:
    Stopwatch()
        : m_start(Clock::now())
        , m_cpu(threadCpuUs()) {}
    Figures per(int count) const {
        const double wall = std::chrono::duration<double, std::micro>(Clock::now() - m_start).count();
        return {wall / count, (threadCpuUs() - m_cpu) / count};
    }

private:
    Clock::time_point m_start;
    double m_cpu;
};

double median(std::vector<double> values) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

Figures median(const std::vector<Figures>& runs) {
    std::vector<double> wall;
    std::vector<double> cpu;
    for (const Figures& f : runs) {
        wall.push_back(f.wallUs);
        cpu.push_back(f.cpuUs);
    }
    return {median(wall), median(cpu)};
}

// Two plain sockets: send, wait for the reply, send again.
class PlainClient {
public:
    explicit PlainClient(quint16 port) {
        m_socket.connectToHost(QHostAddress::LocalHost, port);
        m_ok = runUntil([&] { return m_socket.state() == QAbstractSocket::ConnectedState; }, 10000);
        m_socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
        QObject::connect(&m_socket, &QTcpSocket::readyRead, &m_loop, [this] {
            if (!m_socket.readAll().contains(':'))
                return;
            if (--m_left > 0)
                sendOne();
            else
                m_loop.quit();
        });
    }
    bool ok() const { return m_ok; }

    Figures roundTrips(int count) {
        m_left = count;
        const Stopwatch clock;
        sendOne();
        m_loop.exec();
        return clock.per(count);
    }

private:
    void sendOne() {
        m_socket.write(QByteArrayLiteral("SP 1 3"));
        m_socket.flush();
    }
    QTcpSocket m_socket;
    QEventLoop m_loop;
    int m_left = 0;
    bool m_ok = false;
};

// The main window connected to the peer, the quick-dial tab shown, slot 1 holding the commands.
class Program {
public:
    Program(quint16 port, int commands)
        : m_bench(BenchWindow::connectedTo(port, 3), slotOf(commands)) {
        MainWindow* window = m_bench.window.get();
        m_run = window->findChild<QPushButton*>(QStringLiteral("cmdCommand1"));
        QObject::connect(window->runner(), &ScriptRunner::finished, window, [this](const RunReport& report) {
            m_finished = true;
            m_report = report;
            if (!m_bench.window->session()->ReplyPending())
                m_loop.quit();
        });
        QObject::connect(window->session(), &Session::replyPendingChanged, window, [this](bool pending) {
            if (!pending && m_finished)
                m_loop.quit();
        });
    }

    bool connect() {
        return runUntil(
            [&] { return m_bench.window->link()->state() == TargetLink::Connected && m_run->isEnabled(); },
            10000);
    }

    // From the click on the slot's run button to the reply to its last command.
    bool runSlot(int commands, Figures* perCommand) {
        m_finished = false;
        const Stopwatch clock;
        m_run->click();
        if (!m_finished || m_bench.window->session()->ReplyPending())
            m_loop.exec();
        *perCommand = clock.per(commands);
        return m_report.outcome == RunReport::Outcome::Completed && m_report.sent == commands &&
               m_bench.dialogs.asked == 0;
    }

private:
    static QuickDialSlots slotOf(int commands) {
        QuickDialSlots memory;
        for (int i = 0; i < commands; ++i)
            memory[0].lines.append({QStringLiteral("SP %1 %2").arg(i % 100).arg(i % 32), QString()});
        memory[0].caption = QStringLiteral("Bench");
        return memory;
    }

    QEventLoop m_loop; // before the window: its signals reach the loop until the window is gone
    BenchWindow m_bench;
    QPushButton* m_run = nullptr;
    bool m_finished = false;
    RunReport m_report;
};

// A click stand-in: posted from another thread with the time of posting.
class ProbeEvent : public QEvent {
public:
    static QEvent::Type kind() {
        static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
        return type;
    }
    explicit ProbeEvent(Clock::time_point at)
        : QEvent(kind())
        , posted(at) {}
    Clock::time_point posted;
};

class ProbeReceiver : public QObject {
public:
    std::vector<double> delaysUs;
    bool event(QEvent* e) override {
        if (e->type() != ProbeEvent::kind())
            return QObject::event(e);
        const auto* probe = static_cast<ProbeEvent*>(e);
        delaysUs.push_back(std::chrono::duration<double, std::micro>(Clock::now() - probe->posted).count());
        return true;
    }
};

// Posts a probe every interval until stopped.
class Clicker {
public:
    Clicker(ProbeReceiver* receiver, std::chrono::microseconds interval)
        : m_thread([this, receiver, interval] {
            while (!m_stop.load()) {
                QCoreApplication::postEvent(receiver, new ProbeEvent(Clock::now()));
                std::this_thread::sleep_for(interval);
            }
        }) {}
    ~Clicker() {
        m_stop = true;
        m_thread.join();
    }

private:
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

struct Latency {
    double medianUs = 0;
    double p99Us = 0;
    double maxUs = 0;
    size_t samples = 0;
};

Latency latencyOf(std::vector<double> delays) {
    Latency l;
    if (delays.empty())
        return l;
    std::sort(delays.begin(), delays.end());
    l.samples = delays.size();
    l.medianUs = delays[delays.size() / 2];
    l.p99Us = delays[std::min(delays.size() - 1, delays.size() * 99 / 100)];
    l.maxUs = delays.back();
    return l;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int commands = argc > 1 ? std::max(10, std::atoi(argv[1])) : 1000;
    const int repetitions = argc > 2 ? std::max(1, std::atoi(argv[2])) : 7;

    ReplyingPeer peer;
    PlainClient plain(peer.port());
    Program program(peer.port(), commands);
    if (!plain.ok() || !program.connect()) {
        std::fprintf(stderr, "no connection to the peer\n");
        return 1;
    }

    // Warm up both, then alternate, so a busy machine touches both alike.
    Figures figures;
    plain.roundTrips(commands);
    if (!program.runSlot(commands, &figures)) {
        std::fprintf(stderr, "the slot run did not complete\n");
        return 1;
    }
    std::vector<Figures> plainRuns;
    std::vector<Figures> slotRuns;
    for (int i = 0; i < repetitions; ++i) {
        plainRuns.push_back(plain.roundTrips(commands));
        if (!program.runSlot(commands, &figures)) {
            std::fprintf(stderr, "the slot run did not complete\n");
            return 1;
        }
        slotRuns.push_back(figures);
    }
    const Figures plainMedian = median(plainRuns);
    const Figures slotMedian = median(slotRuns);

    // Clicks while idle and while a run is in progress.
    constexpr std::chrono::microseconds interval(500);
    ProbeReceiver receiver;
    {
        Clicker clicker(&receiver, interval);
        QElapsedTimer idle;
        idle.start();
        runUntil([&] { return idle.elapsed() >= 500; }, 10000);
    }
    QCoreApplication::sendPostedEvents(&receiver);
    const Latency idleLatency = latencyOf(receiver.delaysUs);
    receiver.delaysUs.clear();
    std::vector<Figures> clickedRuns;
    bool completed = true;
    {
        Clicker clicker(&receiver, interval);
        for (int i = 0; i < repetitions && completed; ++i) {
            completed = program.runSlot(commands, &figures);
            clickedRuns.push_back(figures);
        }
    }
    QCoreApplication::sendPostedEvents(&receiver);
    const Figures withClicks = median(clickedRuns);
    const Latency runLatency = latencyOf(receiver.delaysUs);

    std::printf(
        "slot run of %d commands through the main window, quick-dial tab shown, peer on its own thread "
        "answering at once; median of %d runs\n",
        commands, repetitions);
    std::printf("                                          wall us/command   window-thread CPU us/command\n");
    std::printf("plain loopback sockets (round trip)       %15.1f %30.1f\n", plainMedian.wallUs,
                plainMedian.cpuUs);
    std::printf("slot run (per command)                    %15.1f %30.1f\n", slotMedian.wallUs,
                slotMedian.cpuUs);
    if (plainMedian.wallUs > 0 && plainMedian.cpuUs > 0)
        std::printf("ratio slot run / plain sockets: wall %.2f, CPU %.2f (goal: under 2)\n",
                    slotMedian.wallUs / plainMedian.wallUs, slotMedian.cpuUs / plainMedian.cpuUs);
    std::printf("runs: plain");
    for (const Figures& f : plainRuns)
        std::printf(" %.1f", f.wallUs);
    std::printf(" | slot");
    for (const Figures& f : slotRuns)
        std::printf(" %.1f", f.wallUs);
    std::printf(" us\n");
    std::printf(
        "click wait (event posted from another thread every %lld us until handled on the window thread)\n",
        static_cast<long long>(interval.count()));
    std::printf("  idle:               median %7.1f us  p99 %7.1f us  max %8.1f us  (%zu clicks)\n",
                idleLatency.medianUs, idleLatency.p99Us, idleLatency.maxUs, idleLatency.samples);
    std::printf("  during slot runs:   median %7.1f us  p99 %7.1f us  max %8.1f us  (%zu clicks; runs %.1f "
                "us/command%s)\n",
                runLatency.medianUs, runLatency.p99Us, runLatency.maxUs, runLatency.samples,
                withClicks.wallUs, completed ? "" : ", NOT completed");
    return completed ? 0 : 1;
}
