#pragma once

#include "core/scripts/ScriptLine.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QObject>

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

// Sends a script command by command through the session, each command waiting until the reply to the
// one before has come in. It waits on the event loop: a run holds no stack frame while it waits, so the
// reply, clicks and timers are handled as usual and the run continues when an arrival answers the command. A
// wait also ends when the connection drops (no reply can come over a closed one), when the reply timeout runs
// out, and when the reply holds the error text.
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

    // The run branch of a slot button or F-key. The first command never waits: ReplyPending is cleared.
    // The script is copied, so changes to the slot during the run do not touch it.
    void RunSlotScript(const Script& script);
    // The editor's test run: ignored while busy; its first command waits for an outstanding reply.
    void RunEditorScript(const Script& script);
    // The cancel button: takes effect while the run waits for a reply.
    void requestCancel();

signals:
    void started(int total);
    // Command index (from 1) of total is about to be sent; the command line shows it.
    void commandSending(const QString& command, int index, int total);
    void progressed(int sent, int total);
    // The run waits for the reply to this command.
    void waitingForReply(const QString& command);
    void finished(const RunReport& report);

private:
    void begin(const Script& script);
    void proceed();
    void wait();
    void onReplyPendingChanged(bool pending);
    void onReceived(const QByteArray& bytes, bool answered);
    void onLinkStateChanged(int state);
    void finish(RunReport::Outcome outcome);

    Session* m_session;
    QTimer* m_replyTimer;
    QElapsedTimer m_waitStarted;
    Script m_script;
    QString m_errorText;
    QString m_lastSending; // the text of the last send, the run's or one by hand
    QString m_awaited;     // the command whose reply ReplyPending waits for
    QString m_reply;       // what arrived during this wait, while there is an error text to look for
    qsizetype m_next = 0;
    int m_replyTimeoutMs = 0;
    bool m_waitForLastReply = false;
    bool m_scriptBusy = false;
    bool m_cancelRequested = false;
    bool m_running = false;
    bool m_waiting = false;
    bool m_linkWasUp = false; // the link was usable when the run began
};
