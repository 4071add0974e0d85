// telvane-run: runs one quick-dial slot of a configuration file, or commands given on the command line or
// standard input, against the device software, without a display, the way the window's slot run does (same
// session, runner and wire bytes), and says by its exit status how it went. For cron jobs, test rigs and
// shell pipes.

#include "cli/HeadlessRun.h"
#include "cli/RunOptions.h"
#include "core/files/TerminationSignals.h"

#include <QCoreApplication>

#include <csignal>

int main(int argc, char** argv) {
#ifdef SIGPIPE
    // A reader that went away shows as a failed write (EPIPE), which ends the run with its own status, rather
    // than killing the program before it can say so.
    std::signal(SIGPIPE, SIG_IGN);
#endif
    // A size-limited write (the log, the report) then fails with its message instead of ending the run.
    TerminationSignals::ignoreFileSizeLimitSignal();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("telvane-run"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TELVANE_VERSION));

    RunOptions options;
    if (const std::optional<int> status = RunOptions::parse(argc, argv, options))
        return *status;
    Script script;
    if (const std::optional<int> status = options.loadScript(script))
        return *status;
    HeadlessRun run(options, script);
    run.start();
    return QCoreApplication::exec();
}
