#include "gui/CommandLinePage.h"

#include "core/link/MessageLog.h"
#include "core/link/Session.h"
#include "core/texts/Texts.h"
#include "gui/Layout.h"
#include "gui/LogView.h"

#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTimer>

using namespace Layout;

namespace {
constexpr int RunCommandIntervalMs = 40;
} // namespace

CommandLinePage::CommandLinePage(Session* session, QPoint pageOffset, QWidget* parent)
    : QWidget(parent)
    , m_session(session)
    , m_log(session->log()) {
    auto onTab = [&](int left, int top, int width, int height) {
        return twipsRect(left, top, width, height).translated(-pageOffset);
    };
    fraSend = make<QGroupBox>(this, "fraSend", onTab(120, 360, 9135, 1035));
    cmdCreateCommand1 = make<QPushButton>(fraSend, "cmdCreateCommand1", twipsRect(240, 420, 1935, 375));
    txtSend = make<QLineEdit>(fraSend, "txtSend", twipsRect(2940, 480, 4455, 315));
    cmdSend = make<QPushButton>(fraSend, "cmdSend", twipsRect(7500, 420, 1455, 375));
    cmdSend->setEnabled(false);
    fraReceive = make<QGroupBox>(this, "fraReceive", onTab(120, 1560, 9135, 3435));
    lsvMsg = make<QTableView>(fraReceive, "lsvMsg", twipsRect(240, 360, 8715, 2595));
    cmdDeleteList = make<QPushButton>(fraReceive, "cmdDeleteList", twipsRect(240, 3000, 1695, 315));
    cmdDeleteList->setEnabled(false);
    labInfo2 = makeInfoLabel(this, "labInfo2", onTab(180, 5160, 9015, 855));

    configureLogView(lsvMsg, m_log);
    // Every new row is selected and scrolled into view; rows only ever come at the end.
    connect(m_log, &MessageLog::rowsInserted, this, [this] {
        cmdDeleteList->setEnabled(true);
        showNewestRow();
    });
    lsvMsg->installEventFilter(this);
    m_runCommandTimer = new QTimer(this);
    m_runCommandTimer->setSingleShot(true);
    m_runCommandTimer->setInterval(RunCommandIntervalMs);
    connect(m_runCommandTimer, &QTimer::timeout, this, &CommandLinePage::showRunCommandNow);

    connect(cmdCreateCommand1, &QPushButton::clicked, this, &CommandLinePage::assistantRequested);
    connect(cmdSend, &QPushButton::clicked, this, &CommandLinePage::SendCommandLine);
    // The link's state is known at once, so the button never waits for a refresh to be right.
    connect(txtSend, &QLineEdit::textChanged, this, &CommandLinePage::updateSendButton);
    // A disabled button ignores the click, so Enter sends only what the button would.
    connect(txtSend, &QLineEdit::returnPressed, cmdSend, &QPushButton::click);
    connect(cmdDeleteList, &QPushButton::clicked, this, &CommandLinePage::deleteList);
}

void CommandLinePage::setErrorText(const QString& text) {
    setLogErrorText(lsvMsg, text);
}

void CommandLinePage::retranslate() {
    fraSend->setTitle(GetText(TextId::FrameSend));
    cmdCreateCommand1->setText(GetText(TextId::CommandAssistantButton));
    cmdSend->setText(GetText(TextId::SendButton));
    fraReceive->setTitle(GetText(TextId::FrameReceive));
    cmdDeleteList->setText(GetText(TextId::DeleteListButton));
    labInfo2->setText(GetText(TextId::InfoCommandLine));
    for (int column = 0; column < MessageLog::ColumnCount; ++column)
        m_log->setHeaderData(column, Qt::Horizontal, GetText(TextId::TimeColumn + column));
}

bool CommandLinePage::SendCommandLine() {
    return m_session->SendCommandLine(txtSend->text());
}

void CommandLinePage::setCommandText(const QString& text) {
    txtSend->setText(text);
}

void CommandLinePage::showRunCommand(const QString& text) {
    m_runCommand = text;
    if (!m_runCommandTimer->isActive())
        showRunCommandNow();
}

void CommandLinePage::showRunCommandNow() {
    if (m_runCommand.isNull())
        return; // nothing new: the line rests until the next command
    txtSend->setText(m_runCommand);
    m_runCommand = QString();
    m_runCommandTimer->start();
}

void CommandLinePage::setLinkUsable(bool usable) {
    m_linkUsable = usable;
    updateSendButton();
}

void CommandLinePage::updateSendButton() {
    cmdSend->setEnabled(m_linkUsable && !txtSend->text().isEmpty());
}

void CommandLinePage::deleteList() {
    m_log->clear();
    cmdDeleteList->setEnabled(false);
}

void CommandLinePage::showNewestRow() {
    // Selecting a row makes the view work out row positions, which costs time in proportion to the length
    // of the log. A log out of sight (a script running from the quick-dial tab) catches up when shown.
    if (!lsvMsg->isVisible()) {
        m_newestRowPending = true;
        return;
    }
    m_newestRowPending = false;
    showLogRow(lsvMsg, m_log->rowCount() - 1);
}

bool CommandLinePage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lsvMsg && event->type() == QEvent::Show && m_newestRowPending)
        showNewestRow();
    return QWidget::eventFilter(watched, event);
}
