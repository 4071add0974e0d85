#pragma once

#include "core/scripts/ScriptLine.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QObject>

#include <deque>
#include <functional>

class QTimer;
class Session;

// One command of a run and what became of it.
struct CommandResult {
    QString command;
    enum class Verdict { Ok, ErrorReply, NoReply, LineLost, NotSent, Cancelled } verdict = Verdict::Ok;
    QByteArray reply;      // the whole reply as it came, empty when none did
    int latencyMs = -1;    // from the send to the reply; -1 without one
    qint64 sentUtcMs = -1; // UTC ms since the epoch of the send; -1 when it did not go out
};

// How a run ended, with what it had done; the status strip words it as the run's notice.
struct RunReport {
    // New outcomes go at the end: tests name them by their number.
    enum class Outcome { Completed, Cancelled, NotSent, ConnectionLost, TimedOut, ErrorReply };
    Outcome outcome = Outcome::Completed;
    int sent = 0;      // commands handed to the session
    int total = 0;     // commands of the run
    QString command;   // the command the run ended on; for a missing or failed reply the one it was for
    QString reply;     // ErrorReply: the reply that held the error text
    int timeoutMs = 0; // TimedOut: how long the run waited
    QList<CommandResult> commands; // every command of the run, in order, with its verdict
};

// The notice for a run's end in the current language.
QString runNotice(const RunReport& report);
// A time in seconds as it was given: "0.5", "1", "2.25"; never rounded to a whole second that was not set.
QString secondsText(int milliseconds);
// A verdict in the current language, and as the stable word files use ("ok", "error_reply", ...).
QString verdictText(CommandResult::Verdict verdict);
QLatin1StringView verdictWord(CommandResult::Verdict verdict);
// The report for others: one line per command (number, command, verdict, latency in ms, send time in UTC,
// reply), tab-separated with control characters escaped, in the current language; or as CSV (RFC 4180,
// UTF-8, a header line) with the stable verdict words, every reply whole.
QString runReportText(const RunReport& report);
QByteArray runReportCsv(const RunReport& report);

// Where a run reads its commands, each at the moment it is sent: a row inserted, or slots loaded, while the
// run waits reach it. count() is read before every command, so a list that got shorter ends the run.
struct ScriptSource {
    std::function<qsizetype()> count;
    std::function<ScriptLine(qsizetype index)> at; // index below count()
};

// Sends a script command by command through the session, each command waiting until the reply to the
// one before has come in. It waits on the event loop: a run holds no stack frame while it waits, so the
// reply, clicks and timers are handled as usual and the run continues when an arrival answers the command. A
// wait also ends when the connection drops (no reply can come over a closed one), when the reply timeout runs
// out, and when the reply holds the error text. While an error text is set, the run goes on only once the
// reply is whole (Session::replyCompleted), so an error the network cut anywhere is still found.
class ScriptRunner : public QObject {
    Q_OBJECT

public:
    explicit ScriptRunner(Session* session, QObject* parent = nullptr);

    // A slot operation or a run is in progress: keeps a second run and the slot operations out.
    bool ScriptBusy() const { return m_scriptBusy; }
    void setScriptBusy(bool busy) { m_scriptBusy = busy; }
    bool CancelRequested() const { return m_cancelRequested; }
    bool isRunning() const { return m_running; }

    // The longest wait for one reply; 0 waits without limit. Taken by the next wait.
    void setReplyTimeout(int milliseconds) { m_replyTimeoutMs = milliseconds > 0 ? milliseconds : 0; }
    int replyTimeout() const { return m_replyTimeoutMs; }
    // A reply to a command of the run that contains this text (case-sensitive) ends the run; "" is off.
    void setErrorText(const QString& text) { m_errorText = text; }
    const QString& errorText() const { return m_errorText; }
    // Whether a run ends only once its last command is answered, rather than when it is handed over. A run
    // with a reply timeout or an error text always does, so that the check covers every command.
    void setWaitForLastReply(bool wait) { m_waitForLastReply = wait; }

    // The run branch of a slot button or F-key. The first command never waits: ReplyPending is cleared,
    // and earlier sends are no longer waited for.
    void RunSlotScript(const ScriptSource& source);
    // The same over a copy of the script, which changes to the slot do not touch.
    void RunSlotScript(const Script& script);
    // The editor's test run: ignored while busy; its first command waits for an outstanding reply.
    void RunEditorScript(const ScriptSource& source);
    void RunEditorScript(const Script& script);
    // The cancel button: takes effect while the run waits for a reply.
    void requestCancel();

    // The report of the running or last run; a reply that comes after the run ended still fills in its
    // command's reply and latency.
    const RunReport& lastReport() const { return m_report; }

signals:
    void started(int total);
    // Command index (from 1) of total is about to be sent; the command line shows it.
    void commandSending(const QString& command, int index, int total);
    void progressed(int sent, int total);
    // The run waits for the reply to this command.
    void waitingForReply(const QString& command);
    void finished(const RunReport& report);

private:
    struct Awaited {
        quint64 serial = 0;  // the session's number of the send
        qsizetype index = 0; // in m_report.commands
    };

    void begin(const ScriptSource& source);
    void proceed();
    void wait();
    // Whether the run must wait before its next step: for the reply to come, and while an error text is set
    // (or at the end of a run that waits for its last reply), for it to be whole.
    bool mustWait() const;
    void onReplyPendingChanged(bool pending);
    void onReceived(const QByteArray& bytes, bool answered);
    void onReplyCompleted(const QByteArray& reply, int latencyMs);
    void onLinkStateChanged(int state);
    void finish(RunReport::Outcome outcome);

    Session* m_session;
    QTimer* m_replyTimer;
    QElapsedTimer m_waitStarted;
    ScriptSource m_source;
    RunReport m_report;
    std::deque<Awaited> m_awaitedReplies; // the run's sends whose reply is not whole yet, oldest first
    QString m_errorText;
    QString m_lastSending; // the text of the last send, the run's or one by hand
    QString m_awaited;     // the command whose reply ReplyPending waits for
    qsizetype m_next = 0;
    qsizetype m_errorIndex = -1; // the command whose reply held the error text
    int m_replyTimeoutMs = 0;
    bool m_waitForLastReply = false;
    bool m_scriptBusy = false;
    bool m_cancelRequested = false;
    bool m_running = false;
    bool m_waiting = false;
    bool m_atEnd = false;     // every command is out; the run waits for the last reply
    bool m_linkWasUp = false; // the link was usable when the run began
};
