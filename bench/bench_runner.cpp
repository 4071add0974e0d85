// A 1,000-command slot run, four ways, each against the same fast peer in a process of its own
// (bench-peer): (a) through the main window with the quick-dial tab shown, in this process, and (a') the
// same with an error text set, so that each command waits for its reply to be whole (its line end); (b)
// telvane-run and (c) a minimal event-driven Qt client, each in a process of its own. The peer times all
// three alike: the median time between one command's arrival and the next is what a command costs, round trip
// included. Rounds alternate the three, so a busy machine touches them alike; the figure is the best round.
//
// usage: bench_runner [commands=1000] [rounds=7]

#include "BenchPeer.h"
#include "core/files/Profile.h"
#include "core/link/Session.h"
#include "core/link/TargetLink.h"
#include "core/scripts/QuickDialConfig.h"
#include "core/scripts/ScriptRunner.h"
#include "gui/Dialogs.h"
#include "gui/MainWindow.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <vector>

namespace {

constexpr int Patience = 60000; // ms for any one step

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

// A settings folder that points at the peer, with slot 1 holding the commands: the window's, and (as
// $XDG_DATA_HOME) telvane-run's.
class Folders {
public:
    Folders(quint16 port, int commands) {
        QDir().mkpath(settings());
        QDir().mkpath(m_dir.filePath(QStringLiteral("program")));
        const QString ini = settings() + QStringLiteral("Setup.ini");
        const QString section = QStringLiteral("SETTINGS");
        WriteProfileValue(section, QStringLiteral("Name"), QStringLiteral("127.0.0.1"), ini);
        WriteProfileValue(section, QStringLiteral("Port"), QString::number(port), ini);
        WriteProfileValue(section, QStringLiteral("Connect"), QStringLiteral("1"), ini);
        WriteProfileValue(section, QStringLiteral("SelTab"), QStringLiteral("3"), ini);
        WriteProfileValue(section, QStringLiteral("Language"), QStringLiteral("1"), ini);
        QuickDialSlots memory;
        for (int i = 0; i < commands; ++i)
            memory[0].lines.append({QStringLiteral("SP %1 %2").arg(i % 100).arg(i % 32), QString()});
        memory[0].caption = QStringLiteral("Bench");
        saveQuickDialFile(config(), memory);
    }
    QString home() const { return m_dir.path(); }
    QString settings() const { return m_dir.filePath(QStringLiteral("Veltrix/Telvane/")); }
    QString program() const { return m_dir.filePath(QStringLiteral("program")); }
    QString config() const { return settings() + QStringLiteral("DefaultCommandSet.cfg"); }

private:
    QTemporaryDir m_dir;
};

// (a): a click on the slot's run button until the reply to its last command.
class Window {
public:
    explicit Window(const Folders& folders)
        : m_window(std::make_unique<MainWindow>(
              MainWindowEnvironment{folders.settings(), folders.program(), &m_dialogs})) {
        m_window->show();
        m_button = m_window->findChild<QPushButton*>(QStringLiteral("cmdCommand1"));
        QObject::connect(m_window->runner(), &ScriptRunner::finished, m_window.get(),
                         [this](const RunReport& report) { m_report = report; });
    }
    bool connect() {
        return runUntil(
            [&] { return m_window->link()->state() == TargetLink::Connected && m_button->isEnabled(); },
            Patience);
    }
    bool run(bool withErrorText) {
        m_window->runner()->setErrorText(withErrorText ? QStringLiteral("ERROR") : QString());
        m_report.reset();
        m_button->click();
        return runUntil([&] { return m_report && !m_window->session()->ReplyPending(); }, Patience) &&
               m_report->outcome == RunReport::Outcome::Completed;
    }

private:
    CancellingDialogs m_dialogs;
    std::unique_ptr<MainWindow> m_window;
    QPushButton* m_button = nullptr;
    std::optional<RunReport> m_report;
};

// (b) and (c): a program run to its end.
bool runProcess(const QString& program, const QStringList& arguments, const QString& home) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_DATA_HOME"), home);
    process.setProcessEnvironment(environment);
    process.setStandardOutputFile(QProcess::nullDevice());
    process.start(program, arguments);
    return process.waitForFinished(Patience) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    const int commands = argc > 1 ? std::max(10, std::atoi(argv[1])) : 1000;
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 7;

    PeerProcess peer;
    if (peer.port() == 0) {
        std::fprintf(stderr, "bench-peer did not start\n");
        return 1;
    }
    const Folders folders(peer.port(), commands);
    Window window(folders);
    if (!window.connect()) {
        std::fprintf(stderr, "the window did not connect\n");
        return 1;
    }
    const QString cli = QStringLiteral(TELVANE_RUN_PATH);
    const QStringList cliArguments = {folders.config(), QStringLiteral("1")};
    const QString client = QStringLiteral(BENCH_CLIENT_PATH);
    const QStringList clientArguments = {QString::number(peer.port()), QString::number(commands)};

    constexpr int Ways = 4;
    constexpr int Reference = 2;
    constexpr int WithErrorText = 3;
    const char* const names[Ways] = {"window slot run (quick-dial tab shown)",
                                     "telvane-run (rows to /dev/null)", "minimal event-driven Qt client",
                                     "window slot run, error text set"};
    std::vector<double> figures[Ways];
    for (int round = 0; round <= rounds; ++round) { // round 0 warms up
        for (int way = 0; way < Ways; ++way) {
            const bool done = way == 0               ? window.run(false)
                              : way == WithErrorText ? window.run(true)
                              : way == 1             ? runProcess(cli, cliArguments, folders.home())
                                                     : runProcess(client, clientArguments, folders.home());
            const std::optional<double> figure = done ? peer.nextFigure(commands) : std::nullopt;
            if (!figure) {
                std::fprintf(stderr, "%s: the run did not complete\n", names[way]);
                return 1;
            }
            if (round > 0)
                figures[way].push_back(*figure);
        }
    }

    // Other work on the machine only ever adds time, and it comes in bursts that can take a whole round;
    // the best round of each is the figure, beside the median of the rounds.
    auto best = [](const std::vector<double>& values) {
        return *std::min_element(values.begin(), values.end());
    };
    const double reference = best(figures[Reference]);
    const double goals[] = {1.3, 1.1, 1.0, 0};
    std::printf(
        "%d commands one by one against bench-peer (another process, answering at once); per way the median "
        "us per command as the peer sees it, best and median of %d rounds\n",
        commands, rounds);
    std::printf("%-42s %6s %7s %7s %7s\n", "", "best", "median", "ratio", "goal");
    for (int way = 0; way < Ways; ++way) {
        const double figure = best(figures[way]);
        std::printf("%-42s %6.1f %7.1f %7.2f", names[way], figure, median(figures[way]), figure / reference);
        if (way < 2)
            std::printf(" %7s %s", qPrintable(QStringLiteral("<=%1").arg(goals[way])),
                        figure / reference <= goals[way] ? "met" : "MISSED");
        std::printf("\n");
    }
    // The error text's cost: each command waits for its reply's line end, which comes in the same arrival.
    const double withText = best(figures[WithErrorText]) / best(figures[0]);
    std::printf("error text set beside none, window: %.2fx %7s %s\n", withText, "<=1.1",
                withText <= 1.1 ? "met" : "MISSED");
    for (int way = 0; way < Ways; ++way) {
        std::printf("rounds, %s:", names[way]);
        for (const double f : figures[way])
            std::printf(" %.1f", f);
        std::printf("\n");
    }
    return 0;
}
