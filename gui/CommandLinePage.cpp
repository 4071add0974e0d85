#include "gui/CommandLinePage.h"

#include "core/link/MessageLog.h"
#include "core/link/Session.h"
#include "core/texts/Texts.h"
#include "gui/log/LogFilterModel.h"
#include "gui/log/LogTools.h"
#include "gui/log/LogView.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStringListModel>
#include <QTableView>
#include <QTimer>

using namespace Layout;

namespace {
constexpr std::array<TextId, MessageLog::ColumnCount> HeaderIds = {
    TextId::TimeColumn, TextId::ModeColumn, TextId::ParameterColumn, TextId::LatencyColumn};

// The command word is what txtSend holds before its first blank, while the cursor is still in it.
QString commandWordBeforeCursor(const QLineEdit* edit) {
    const QString typed = edit->text().left(edit->cursorPosition());
    for (const QChar c : typed) {
        if (c.isSpace())
            return {};
    }
    return typed;
}
constexpr int RunCommandIntervalMs = 40;
} // namespace

CommandLinePage::CommandLinePage(Session* session, Dialogs& dialogs, QPoint pageOffset, QWidget* parent)
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
    // Right of cmdDeleteList, where nothing else is: hidden, the page looks as it always did.
    m_findBar = make<LogFindBar>(fraReceive, "findBar", twipsRect(2040, 3000, 6915, 315));
    labInfo2 = makeInfoLabel(this, "labInfo2", onTab(180, 5160, 9015, 855));

    m_growth.add(fraSend, StretchWidth);
    m_growth.add(txtSend, StretchWidth);
    m_growth.add(fraReceive, Stretch);
    m_growth.add(lsvMsg, Stretch);
    m_growth.add(cmdSend, FollowRight);
    m_growth.add(cmdDeleteList, FollowBottom);
    m_growth.add(m_findBar, FollowBottomStretchWidth);
    m_growth.add(labInfo2, FollowBottomStretchWidth);

    configureLogView(lsvMsg, m_log);
    m_tools = new LogTools(lsvMsg, m_log, m_findBar, dialogs, this);
    connect(m_log, &MessageLog::rowsInserted, this, [this] { cmdDeleteList->setEnabled(true); });
    connect(m_tools, &LogTools::clearRequested, this, &CommandLinePage::deleteList);
    // A filtered list says so in its frame, so no row seems lost.
    connect(m_tools->model(), &LogFilterModel::filterApplied, this, &CommandLinePage::showReceiveTitle);

    m_words = new QStringListModel(this);
    m_completer = new QCompleter(m_words, this);
    m_completer->setCaseSensitivity(Qt::CaseInsensitive);
    m_completer->setModelSorting(QCompleter::CaseInsensitivelySortedModel);
    m_completer->setCompletionMode(QCompleter::PopupCompletion);
    m_completer->setWidget(txtSend);
    connect(m_completer, qOverload<const QString&>(&QCompleter::activated), this,
            &CommandLinePage::takeCompletion);
    // Seen before the completer's own filter, which would pass Enter on to txtSend and send the command.
    m_completer->popup()->installEventFilter(this);
    txtSend->installEventFilter(this);
    m_runCommandTimer = new QTimer(this);
    m_runCommandTimer->setSingleShot(true);
    m_runCommandTimer->setInterval(RunCommandIntervalMs);
    connect(m_runCommandTimer, &QTimer::timeout, this, &CommandLinePage::showRunCommandNow);

    connect(cmdCreateCommand1, &QPushButton::clicked, this, &CommandLinePage::assistantRequested);
    connect(cmdSend, &QPushButton::clicked, this, &CommandLinePage::SendCommandLine);
    // The link's state is known at once, so the button never waits for a refresh to be right.
    connect(txtSend, &QLineEdit::textChanged, this, &CommandLinePage::updateSendButton);
    connect(txtSend, &QLineEdit::textEdited, this, &CommandLinePage::offerCompletion);
    // A disabled button ignores the click, so Enter sends only what the button would.
    connect(txtSend, &QLineEdit::returnPressed, cmdSend, &QPushButton::click);
    connect(cmdDeleteList, &QPushButton::clicked, this, &CommandLinePage::deleteList);
}

void CommandLinePage::showReceiveTitle() {
    const QString title = GetText(TextId::FrameReceive);
    fraReceive->setTitle(m_tools->model()->isFiltered() ? filledText(TextId::FilteredFrame, {title}) : title);
}

void CommandLinePage::setErrorText(const QString& text) {
    setLogErrorText(lsvMsg, text);
    m_tools->setErrorText(text);
}

void CommandLinePage::retranslate() {
    fraSend->setTitle(GetText(TextId::FrameSend));
    cmdCreateCommand1->setText(GetText(TextId::CommandAssistantButton));
    cmdSend->setText(GetText(TextId::SendButton));
    showReceiveTitle();
    cmdDeleteList->setText(GetText(TextId::DeleteListButton));
    labInfo2->setText(GetText(TextId::InfoCommandLine));
    for (std::size_t column = 0; column < HeaderIds.size(); ++column)
        m_log->setHeaderData(int(column), Qt::Horizontal, GetText(HeaderIds[column]));
    m_tools->retranslate();
}

bool CommandLinePage::SendCommandLine() {
    m_history.add(txtSend->text());
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

void CommandLinePage::setCommandWords(const QStringList& words) {
    m_words->setStringList(words);
}

void CommandLinePage::setGrowth(QSize growth) {
    m_growth.apply(growth);
}

void CommandLinePage::updateSendButton() {
    cmdSend->setEnabled(m_linkUsable && !txtSend->text().isEmpty());
}

void CommandLinePage::deleteList() {
    m_log->clear();
    cmdDeleteList->setEnabled(false);
}

bool CommandLinePage::completing() const {
    return m_completer->popup()->isVisible();
}

void CommandLinePage::offerCompletion() {
    const QString word = commandWordBeforeCursor(txtSend);
    if (!word.isEmpty()) {
        m_completer->setCompletionPrefix(word);
        // A word typed out in full needs no offer.
        const bool complete = m_completer->completionCount() == 1 &&
                              m_completer->currentCompletion().compare(word, Qt::CaseInsensitive) == 0;
        if (m_completer->completionCount() > 0 && !complete) {
            m_completer->complete();
            m_completer->popup()->setCurrentIndex(m_completer->completionModel()->index(0, 0));
            return;
        }
    }
    m_completer->popup()->hide();
}

void CommandLinePage::takeCompletion(const QString& word) {
    m_completer->popup()->hide();
    const QString text = txtSend->text();
    qsizetype end = 0;
    while (end < text.size() && !text[end].isSpace())
        ++end;
    txtSend->setText(word + text.mid(end));
    txtSend->setCursorPosition(int(word.size()));
}

bool CommandLinePage::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (watched == m_completer->popup()) {
        // Tab or Enter takes the offered word; any other key goes on as the completer handles it.
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            const QModelIndex current = m_completer->popup()->currentIndex();
            takeCompletion((current.isValid() ? current : m_completer->completionModel()->index(0, 0))
                               .data()
                               .toString());
            return true;
        }
    } else if (watched == txtSend && !completing() &&
               (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down)) {
        const std::optional<QString> step =
            key->key() == Qt::Key_Up ? m_history.older(txtSend->text()) : m_history.newer();
        if (step)
            txtSend->setText(*step);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
