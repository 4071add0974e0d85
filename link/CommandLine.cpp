#include "link/CommandLine.h"

#include "app/Codec.h"
#include "app/MainWindowUi.h"
#include "app/Platform.h"
#include "app/Texts.h"
#include "link/MessageLog.h"
#include "link/TargetLink.h"

#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>

namespace {
constexpr int NoConnectionId = 3126;
constexpr int NotEncodableId = 3128;
} // namespace

CommandLine::CommandLine(const MainWindowUi& ui, TargetLink* link, QObject* parent)
    : QObject(parent)
    , m_ui(ui)
    , m_link(link)
    , m_log(new MessageLog(this)) {
    ConfigureLogView(m_ui.lsvMsg, m_log);
    // Every new row is selected and scrolled into view; rows only ever come at the end.
    connect(m_log, &MessageLog::rowsInserted, this, &CommandLine::showNewestRow);
    m_ui.lsvMsg->installEventFilter(this);

    connect(m_ui.cmdSend, &QPushButton::clicked, this, &CommandLine::SendCommandLine);
    connect(m_ui.txtSend, &QLineEdit::textChanged, this, &CommandLine::updateSendFromText);
    connect(m_ui.txtSend, &QLineEdit::returnPressed, this, &CommandLine::onReturnPressed);
    connect(m_ui.cmdDeleteList, &QPushButton::clicked, this, &CommandLine::deleteList);
    if (m_link)
        connect(m_link, &TargetLink::dataArrived, this, &CommandLine::receive);
}

bool CommandLine::SendCommandLine() {
    return sendText(m_ui.txtSend->text());
}

bool CommandLine::sendText(const QString& text) {
    m_ui.labCommandScriptCompleted->hide();
    const QTime now = UtcClock::now().time();
    m_ui.cmdDeleteList->setEnabled(true);

    const int row = m_log->append(MessageLog::Direction::Set, now, text);

    bool encodable = false;
    const QByteArray bytes = Cp1252::encode(text, &encodable);
    QString reason;
    bool sent = false;
    if (!encodable)
        reason = GetText(NotEncodableId); // a substitute character would make it a different command
    else if (m_link)
        sent = m_link->send(bytes, &reason);
    if (!sent) {
        m_log->markNotSent(row, reason.isEmpty() ? GetText(NoConnectionId) : reason);
        return false;
    }
    setReplyPending(true);
    return true;
}

void CommandLine::receive(const QByteArray& bytes) {
    const bool answersCommand = m_replyPending && bytes.contains(':');
    const QTime now = UtcClock::now().time();
    m_ui.cmdDeleteList->setEnabled(true);
    m_log->append(MessageLog::Direction::Get, now, Cp1252::decode(bytes));
    // Cleared only after the row is logged: a runner that sends its next command on this signal must not
    // get its "Set" row in ahead of the reply that released it.
    if (answersCommand)
        setReplyPending(false);
}

void CommandLine::setReplyPending(bool pending) {
    if (m_replyPending == pending)
        return;
    m_replyPending = pending;
    emit replyPendingChanged(pending);
}

void CommandLine::setLinkUsable(bool usable) {
    m_ui.cmdSend->setEnabled(usable && !m_ui.txtSend->text().isEmpty());
}

void CommandLine::updateSendFromText() {
    // The link is not looked at here; the next state tick disables cmdSend again while it is down.
    m_ui.cmdSend->setEnabled(!m_ui.txtSend->text().isEmpty());
}

void CommandLine::onReturnPressed() {
    // A disabled button ignores the click, so Enter sends only what the button would.
    m_ui.cmdSend->click();
    updateSendFromText();
}

void CommandLine::deleteList() {
    m_log->clear();
    m_ui.cmdDeleteList->setEnabled(false);
}

void CommandLine::showNewestRow() {
    // Selecting a row makes the view work out row positions, which costs time in proportion to the length
    // of the log. A log out of sight (a script running from the quick-dial tab) catches up when shown.
    if (!m_ui.lsvMsg->isVisible()) {
        m_newestRowPending = true;
        return;
    }
    m_newestRowPending = false;
    ShowLogRow(m_ui.lsvMsg, m_log->rowCount() - 1);
}

bool CommandLine::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_ui.lsvMsg && event->type() == QEvent::Show && m_newestRowPending)
        showNewestRow();
    return QObject::eventFilter(watched, event);
}
