#pragma once

#include "cli/RowPrinter.h"
#include "cli/RunOptions.h"
#include "cli/StandardOutput.h"
#include "core/files/TerminationSignals.h"
#include "core/link/LogCapture.h"
#include "core/link/Session.h"
#include "core/link/TargetLink.h"
#include "core/scripts/ScriptRunner.h"

#include <QLatin1String>
#include <QList>
#include <QObject>
#include <QTimer>

#include <memory>
#include <optional>

// One telvane-run: connects, runs the script once the link is up, prints what happens and ends the event
// loop with the exit status of the first thing that ends it (the run's outcome, a failed connect, a signal,
// a failed write), after the last reply is whole and the rows and reports are out.
class HeadlessRun : public QObject {
    Q_OBJECT

public:
    HeadlessRun(const RunOptions& options, const Script& script, QObject* parent = nullptr);

    // Starts connecting; the end comes through QCoreApplication::exit.
    void start();

private:
    void onLinkStateChanged(int state);
    void onLinkError();
    void onConnectTimeout();
    void onCommandSending(const QString& command, int index, int total);
    void onReplyCompleted(const QByteArray& reply, int latencyMs);
    void onFinished(const RunReport& report);
    void onSignal(int signalNumber);
    void onOutputFailed();
    // The run is over and its last reply whole: the verdicts go onto the rows, then the program ends.
    void endRun();
    void end(int status, const QString& notice, QLatin1String outcome);
    bool writeJunit(const RunReport& report);
    // Ends the capture with the end line; a message when it failed or lost rows, else "".
    QString endCapture(const QByteArray& endLine);

    RunOptions m_options;
    Script m_script;
    StandardOutput m_out;
    TargetLink m_link;
    Session m_session;
    ScriptRunner m_runner;
    RowPrinter m_printer;
    std::unique_ptr<LogCapture> m_capture; // --capture only
    QTimer m_connectTimer;
    QTimer m_completionTimer; // bounds the wait for the last reply's completion
    TerminationSignals m_termination;
    QList<int> m_commandRows; // the log row of each run command sent so far
    std::optional<RunReport> m_report;
    QByteArray m_lastReply; // the last completed reply, whole
    QString m_junitError;
    quint64 m_completedSerial = 0; // the send that the last completed reply answered
    bool m_ended = false;
};
