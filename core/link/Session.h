#pragma once

#include "core/files/Platform.h"

#include <QByteArray>
#include <QObject>
#include <QString>

class MessageLog;
class TargetLink;

// The command line's logic: the only way out to the device software and the only way in. Every sent
// command and every arrival becomes a row of the message log; ReplyPending tells whether a sent command is
// still waiting for its reply.
class Session : public QObject {
    Q_OBJECT

public:
    explicit Session(TargetLink* link, QObject* parent = nullptr);

    // Logs a "Set" row with the text and hands it to the link as Windows-1252 bytes, exactly as given.
    // Returns whether the bytes went out. A send that fails (no usable link, the socket refuses, or a
    // character Windows-1252 cannot carry) still logs its row, marked as not sent with the reason, and
    // leaves ReplyPending as it was.
    bool SendCommandLine(const QString& text, QString* reason = nullptr);

    // The receive handler: logs one "Get" row for the arrival, line breaks and all, and clears ReplyPending
    // when the data contains ':'. The row that clears it carries the time since the last command sent.
    void receive(const QByteArray& bytes);

    // True from a successful send until data containing ':' arrives.
    bool ReplyPending() const { return m_replyPending; }
    void setReplyPending(bool pending);

    MessageLog* log() const { return m_log; }
    TargetLink* link() const { return m_link; }
    // The clock of the rows' times and the latencies, for the session and its log; not owned.
    void setClock(const UtcClock* clock);

signals:
    // A command is about to be logged and sent (whether or not it will go out).
    void sending(const QString& text);
    // An arrival has been logged; answered tells whether it cleared ReplyPending (already false by now).
    // The script runner sends its next command from here.
    void received(const QByteArray& bytes, bool answered);
    // Every change of ReplyPending.
    void replyPendingChanged(bool pending);

private:
    TargetLink* m_link = nullptr;
    MessageLog* m_log = nullptr;
    const UtcClock* m_clock = &UtcClock::system();
    bool m_replyPending = false;
    qint64 m_pendingSince = -1; // UTC ms of the send that set ReplyPending
};
