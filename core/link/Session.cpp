#include "core/link/Session.h"

#include "core/files/Codec.h"
#include "core/files/Platform.h"
#include "core/link/MessageLog.h"
#include "core/link/TargetLink.h"
#include "core/texts/Texts.h"

#include <QTimer>

#include <algorithm>
#include <limits>
#include <utility>

Session::Session(TargetLink* link, QObject* parent)
    : QObject(parent)
    , m_link(link)
    , m_log(new MessageLog(this))
    , m_settleTimer(new QTimer(this)) {
    m_settleTimer->setSingleShot(true);
    m_settleTimer->setInterval(ReplySettleMs);
    connect(m_settleTimer, &QTimer::timeout, this, &Session::onSettled);
    // Rows cleared from the log wait for nothing.
    connect(m_log, &QAbstractItemModel::modelReset, this, [this] { dropAwaitedReplies(); });
    if (m_link) {
        connect(m_link, &TargetLink::dataArrived, this, &Session::receive);
        connect(m_link, &TargetLink::stateChanged, this, &Session::onLinkStateChanged);
    }
}

void Session::setClock(const UtcClock* clock) {
    m_clock = clock ? clock : &UtcClock::system();
    m_log->setClock(m_clock);
}

bool Session::SendCommandLine(const QString& text, QString* reason) {
    // A reply still waiting for its line end is over when the next command goes: what follows answers that.
    if (m_colonSeen) {
        Completions done;
        completeGathered(done);
        m_settleTimer->stop();
        emitCompleted(done);
    }
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
    m_awaited.push_back({++m_sendSerial, now.toMSecsSinceEpoch()});
    setReplyPending(true);
    return true;
}

void Session::receive(const QByteArray& bytes) {
    const bool answersCommand = m_replyPending && bytes.contains(':');
    const QDateTime now = m_clock->now();
    Completions done;
    const int latency = gather(bytes, now.toMSecsSinceEpoch(), done);
    m_log->append(MessageLog::Direction::Get, now, bytes, latency);
    // Cleared only after the row is logged, and before the arrival is reported: a runner sends its next
    // command from that report, and its "Set" row must not get in ahead of the reply that released it.
    if (answersCommand)
        setReplyPending(false);
    emit received(bytes, answersCommand);
    emitCompleted(done);
}

int Session::gather(const QByteArray& bytes, qint64 nowMs, Completions& done) {
    int rowLatency = MessageLog::NoLatency;
    qsizetype pos = 0;
    if (m_skipLf && !bytes.isEmpty() && bytes.front() == '\n')
        pos = 1;
    m_skipLf = false;
    const qsizetype size = bytes.size();
    auto keep = [this](QByteArrayView part) {
        if (m_gathered.size() < ReplyKeptBytes)
            m_gathered += part.first(std::min(part.size(), ReplyKeptBytes - m_gathered.size()));
    };
    while (pos < size) {
        const qsizetype start = pos; // where this arrival's part of the reply begins
        if (!m_colonSeen) {
            if (m_awaited.empty())
                break; // nobody waits: not a reply
            const qsizetype colon = bytes.indexOf(':', pos);
            if (colon < 0) {
                keep(QByteArrayView(bytes).sliced(pos));
                break;
            }
            const Awaited answered = m_awaited.front();
            m_awaited.pop_front();
            // A clock set back gives 0, not a negative time.
            m_gatheredLatency = static_cast<int>(
                std::clamp<qint64>(nowMs - answered.sentUtcMs, 0, std::numeric_limits<int>::max()));
            m_gatheredSerial = answered.serial;
            m_colonSeen = true;
            if (rowLatency == MessageLog::NoLatency)
                rowLatency = m_gatheredLatency;
            pos = colon + 1;
        }
        qsizetype end = pos;
        while (end < size && bytes[end] != '\r' && bytes[end] != '\n')
            ++end;
        if (end == size) {
            keep(QByteArrayView(bytes).sliced(start));
            break;
        }
        // CR LF is one line end.
        qsizetype after = end + 1;
        if (bytes[end] == '\r') {
            if (after < size && bytes[after] == '\n')
                ++after;
            else if (after == size)
                m_skipLf = true;
        }
        // Copied, never shared with the arrival: that buffer is as large as the socket's reads, and a report
        // holding on to each would cost every command a fresh one.
        keep(QByteArrayView(bytes).sliced(start, after - start));
        completeGathered(done);
        pos = after;
    }
    if (m_colonSeen) {
        if (!m_settleTimer->isActive())
            m_settleTimer->start();
    } else if (m_settleTimer->isActive()) {
        m_settleTimer->stop();
    }
    return rowLatency;
}

void Session::completeGathered(Completions& done) {
    done.append({std::exchange(m_gathered, {}), m_gatheredSerial, m_gatheredLatency});
    m_colonSeen = false;
    m_gatheredSerial = 0;
    m_gatheredLatency = -1;
}

void Session::emitCompleted(const Completions& done) {
    for (const Completed& reply : done) {
        m_completedSerial = reply.serial;
        emit replyCompleted(reply.reply, reply.latencyMs);
    }
    m_completedSerial = 0;
}

void Session::onSettled() {
    if (!m_colonSeen)
        return;
    Completions done;
    completeGathered(done);
    emitCompleted(done);
}

void Session::onLinkStateChanged(int state) {
    // Nothing more can come over a closed connection: what a reply has is all of it.
    if (!TargetLink::isUsable(state))
        dropAwaitedReplies();
}

void Session::dropAwaitedReplies(bool keepNewest) {
    Completions done;
    if (m_colonSeen)
        completeGathered(done);
    m_gathered.clear();
    m_skipLf = false;
    m_settleTimer->stop();
    if (keepNewest && !m_awaited.empty())
        m_awaited.erase(m_awaited.begin(), m_awaited.end() - 1);
    else
        m_awaited.clear();
    emitCompleted(done);
}

void Session::setReplyPending(bool pending) {
    if (m_replyPending == pending)
        return;
    m_replyPending = pending;
    emit replyPendingChanged(pending);
}
