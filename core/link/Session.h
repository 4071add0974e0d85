#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <deque>

class MessageLog;
class QTimer;
class TargetLink;

// The command line's logic: the only way out to the device software and the only way in. Every sent
// command and every arrival becomes a row of the message log; ReplyPending tells whether a sent command is
// still waiting for its reply. Beside that flag it gathers each reply whole (replyCompleted) and pairs it
// with the oldest sent command still waiting for one.
class Session : public QObject {
    Q_OBJECT

public:
    // How long a reply with no line end after its colon may take to come whole. A peer's network stack
    // holds back the rest of a reply it cut for at most its delayed acknowledgement (200 ms on Windows,
    // 40 ms on Linux); a reply that never ends its line costs a run this much per command.
    static constexpr int ReplySettleMs = 500;
    // The most of one reply kept for replyCompleted (the log keeps every byte); a peer that floods
    // without a colon must not make it grow without end.
    static constexpr qsizetype ReplyKeptBytes = 64 * 1024 * 1024;

    explicit Session(TargetLink* link, QObject* parent = nullptr);

    // Logs a "Set" row with the text and hands it to the link as Windows-1252 bytes, exactly as given.
    // Returns whether the bytes went out. A send that fails (no usable link, the socket refuses, or a
    // character Windows-1252 cannot carry) still logs its row, marked as not sent with the reason, and
    // leaves ReplyPending as it was.
    bool SendCommandLine(const QString& text, QString* reason = nullptr);

    // The receive handler: logs one "Get" row for the arrival, line breaks and all, and clears ReplyPending
    // when the data contains ':'. The row that holds a reply's colon carries the time since the send of the
    // oldest command still waiting for a reply.
    void receive(const QByteArray& bytes);

    // True from a successful send until data containing ':' arrives.
    bool ReplyPending() const { return m_replyPending; }
    void setReplyPending(bool pending);

    // Numbers the successful sends from 1 on; 0 before the first.
    quint64 lastSendSerial() const { return m_sendSerial; }
    // In a handler of replyCompleted: the number of the send the reply answers.
    quint64 completedSerial() const { return m_completedSerial; }
    // Forgets the sends still waiting for a reply (all, or all but the newest): a caller that gave up on
    // them does not want a late reply paired with the next command. A reply that has its colon is complete
    // with what it has; the start of one without is dropped.
    void dropAwaitedReplies(bool keepNewest = false);

    MessageLog* log() const { return m_log; }
    TargetLink* link() const { return m_link; }

signals:
    // A command is about to be logged and sent (whether or not it will go out).
    void sending(const QString& text);
    // An arrival has been logged; answered tells whether it cleared ReplyPending (already false by now).
    // The script runner sends its next command from here.
    void received(const QByteArray& bytes, bool answered);
    // Every change of ReplyPending.
    void replyPendingChanged(bool pending);
    // A reply is whole: every arrival from the first after its command up to and including the first line
    // end after the colon, or what came within ReplySettleMs of the colon when no line end follows.
    // latencyMs is the time from its command's send (the oldest one still waiting) to its colon.
    void replyCompleted(const QByteArray& reply, int latencyMs);

private:
    struct Awaited {
        quint64 serial = 0;
        qint64 sentUtcMs = 0;
    };
    struct Completed {
        QByteArray reply;
        quint64 serial = 0;
        int latencyMs = -1;
    };
    // Takes an arrival into the reply being gathered; a reply that became whole goes to done.
    int gather(const QByteArray& bytes, qint64 nowMs, QList<Completed>& done);
    void completeGathered(QList<Completed>& done);
    void emitCompleted(const QList<Completed>& done);
    void onSettled();
    void onLinkStateChanged(int state);

    TargetLink* m_link = nullptr;
    MessageLog* m_log = nullptr;
    bool m_replyPending = false;
    std::deque<Awaited> m_awaited; // sent, no reply recognised yet; oldest first
    QByteArray m_gathered;         // the reply so far
    QTimer* m_settleTimer = nullptr;
    quint64 m_sendSerial = 0;
    quint64 m_completedSerial = 0;
    quint64 m_gatheredSerial = 0; // the send the gathered reply answers, once its colon came
    int m_gatheredLatency = -1;
    bool m_colonSeen = false; // the gathered reply has its colon and waits for its line end
    bool m_skipLf = false;    // a reply ended on CR: an LF that follows at once still belongs to it
};
