#include "core/link/Session.h"

#include "core/files/Codec.h"
#include "core/files/Platform.h"
#include "core/link/MessageLog.h"
#include "core/link/TargetLink.h"
#include "core/texts/Texts.h"

#include <algorithm>
#include <limits>

Session::Session(TargetLink* link, QObject* parent)
    : QObject(parent)
    , m_link(link)
    , m_log(new MessageLog(this)) {
    if (m_link)
        connect(m_link, &TargetLink::dataArrived, this, &Session::receive);
}

void Session::setClock(const UtcClock* clock) {
    m_clock = clock ? clock : &UtcClock::system();
    m_log->setClock(m_clock);
}

bool Session::SendCommandLine(const QString& text, QString* reason) {
    emit sending(text);
    const QDateTime now = m_clock->now();
    bool encodable = false;
    const QByteArray bytes = Cp1252::encode(text, &encodable);
    const int row = encodable ? m_log->append(MessageLog::Direction::Set, now, bytes)
                              : m_log->appendText(MessageLog::Direction::Set, now, text);
    QString why;
    bool sent = false;
    if (!encodable)
        why = GetText(TextId::NotSentNotEncodable); // a substitute character would make it another command
    else if (m_link)
        sent = m_link->send(bytes, &why);
    if (!sent) {
        if (why.isEmpty())
            why = GetText(TextId::NotSentNoConnection);
        m_log->markNotSent(row, why);
        if (reason)
            *reason = why;
        return false;
    }
    m_pendingSince = now.toMSecsSinceEpoch();
    setReplyPending(true);
    return true;
}

void Session::receive(const QByteArray& bytes) {
    const bool answersCommand = m_replyPending && bytes.contains(':');
    const QDateTime now = m_clock->now();
    int latency = MessageLog::NoLatency;
    if (answersCommand && m_pendingSince >= 0) {
        // A clock set back gives 0, not a negative time.
        const qint64 since = now.toMSecsSinceEpoch() - m_pendingSince;
        latency = static_cast<int>(std::clamp<qint64>(since, 0, std::numeric_limits<int>::max()));
    }
    m_log->append(MessageLog::Direction::Get, now, bytes, latency);
    // Cleared only after the row is logged, and before the arrival is reported: a runner sends its next
    // command from that report, and its "Set" row must not get in ahead of the reply that released it.
    if (answersCommand)
        setReplyPending(false);
    emit received(bytes, answersCommand);
}

void Session::setReplyPending(bool pending) {
    if (m_replyPending == pending)
        return;
    m_replyPending = pending;
    if (!pending)
        m_pendingSince = -1;
    emit replyPendingChanged(pending);
}
