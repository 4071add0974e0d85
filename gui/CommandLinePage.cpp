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

#include <limits>

using namespace Layout;

namespace {
constexpr int RunCommandIntervalMs = 40;
const QString HintSeparator = QStringLiteral("  |  ");
constexpr qsizetype LongestOfferShown = 200;
} // namespace

CommandLinePage::CommandLinePage(Session* session, Dialogs& dialogs, QPoint pageOffset, QWidget* parent)
    : QWidget(parent)
    , m_session(session)
    , m_log(session->log()) {
    const TabPlaces onTab(pageOffset);
    fraSend = make<QGroupBox>(this, "fraSend", onTab(120, 360, 9135, 1035));
    cmdCreateCommand1 = make<QPushButton>(fraSend, "cmdCreateCommand1", twipsRect(240, 420, 1935, 375));
    txtSend = make<QLineEdit>(fraSend, "txtSend", twipsRect(2940, 480, 4455, 315));
    // A command has no length limit; QLineEdit's default would cut a pasted one silently.
    txtSend->setMaxLength(std::numeric_limits<int>::max());
    cmdSend = make<QPushButton>(fraSend, "cmdSend", twipsRect(7500, 420, 1455, 375));
    cmdSend->setEnabled(false);
    // Beneath txtSend, in the frame's free foot: the parameters of the command word typed, never typed in.
    labCommandHint = makeLabel(fraSend, "labCommandHint", twipsRect(2940, 810, 6015, 210));
    fraReceive = make<QGroupBox>(this, "fraReceive", onTab(120, 1560, 9135, 3435));
    lsvMsg = make<QTableView>(fraReceive, "lsvMsg", twipsRect(240, 360, 8715, 2595));
    cmdDeleteList = make<QPushButton>(fraReceive, "cmdDeleteList", twipsRect(240, 3000, 1695, 315));
    cmdDeleteList->setEnabled(false);
    // Right of cmdDeleteList, where nothing else is: hidden, the page looks as it always did.
    m_findBar = make<LogFindBar>(fraReceive, "findBar", twipsRect(2040, 3000, 6915, 315));
    labInfo2 = makeInfoLabel(this, "labInfo2", onTab(180, 5160, 9015, 855));

    m_growth.add(fraSend, StretchWidth);
    m_growth.add(txtSend, StretchWidth);
    m_growth.add(labCommandHint, StretchWidth);
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

    // The core decides what is offered; the completer only shows it.
    m_offers = new QStringListModel(this);
    m_completer = new QCompleter(m_offers, this);
    m_completer->setCompletionMode(QCompleter::UnfilteredPopupCompletion);
    m_completer->setWidget(txtSend);
    m_completer->popup()->setObjectName(QStringLiteral("lstCommandOffers"));
    connect(m_completer, qOverload<const QModelIndex&>(&QCompleter::activated), this,
            [this](const QModelIndex& index) { takeOffer(index.row()); });
    // Seen before the completer's own filter, which would pass Enter on to txtSend and take the offer too.
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
    connect(txtSend, &QLineEdit::textChanged, this, &CommandLinePage::updateHint);
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
    labCommandHint->setAccessibleName(GetText(TextId::CommandHintName));
    m_completer->popup()->setAccessibleName(GetText(TextId::SuggestionsName));
    updateHint();
    m_log->retranslate();
    // Both sit in frames whose captions say nothing of what they are.
    txtSend->setAccessibleName(GetText(TextId::CommandTextName));
    lsvMsg->setAccessibleName(GetText(TextId::MessageLogName));
    m_tools->retranslate();
}

bool CommandLinePage::SendCommandLine() {
    hideOffers();
    endSearch();
    const QString text = txtSend->text();
    m_history.add(text);
    emit commandEntered(text);
    return m_session->SendCommandLine(text);
}

void CommandLinePage::setCommandText(const QString& text) {
    txtSend->setText(text);
}

void CommandLinePage::focusCommandText() {
    txtSend->setFocus(Qt::OtherFocusReason);
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

void CommandLinePage::setCommandCatalogue(const QStringList& records) {
    m_completion = CommandCompletion(records);
    updateHint();
}

void CommandLinePage::setGrowth(QSize growth) {
    m_growth.apply(growth);
    updateHint(); // elided to the new width
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
    if (m_searching) {
        searchHistory(0);
        return;
    }
    const QString typed = txtSend->text().left(txtSend->cursorPosition());
    const QStringList offers = m_completion.offers(typed, m_history.commands());
    // A word typed out in full needs no offer.
    const bool complete = offers.size() == 1 && offers.front().compare(typed, Qt::CaseInsensitive) == 0;
    if (offers.isEmpty() || complete)
        hideOffers();
    else
        showOffers(offers, -1);
}

void CommandLinePage::showOffers(const QStringList& offers, int currentRow) {
    m_offerTexts = offers;
    // A command of a megabyte would make each paint of the list slow; the list shows its start.
    QStringList shown = offers;
    for (QString& offer : shown) {
        if (offer.size() > LongestOfferShown)
            offer = offer.left(LongestOfferShown) + QChar(0x2026);
    }
    m_offers->setStringList(shown);
    m_completer->complete();
    // No offer is current until the user moves into the list, so Enter sends what was typed.
    m_inList = currentRow >= 0;
    m_completer->popup()->setCurrentIndex(m_inList ? m_offers->index(currentRow) : QModelIndex());
}

void CommandLinePage::hideOffers() {
    m_completer->popup()->hide();
    m_inList = false;
}

void CommandLinePage::takeOffer(int row) {
    if (row < 0 || row >= m_offerTexts.size())
        return;
    const QString offer = m_offerTexts.at(row);
    const QString text = m_searching ? offer : m_completion.take(txtSend->text(), offer);
    const bool word = !m_searching && m_completion.isWord(offer);
    hideOffers();
    endSearch();
    txtSend->setText(text);
    txtSend->setCursorPosition(int(word ? offer.size() : text.size()));
}

void CommandLinePage::searchHistory(int row) {
    m_searching = true;
    const QStringList found = CommandCompletion::search(txtSend->text(), m_history.commands());
    if (found.isEmpty())
        hideOffers();
    else
        showOffers(found, int(row % found.size()));
    updateHint();
}

void CommandLinePage::endSearch() {
    if (!m_searching)
        return;
    m_searching = false;
    updateHint();
}

void CommandLinePage::updateHint() {
    QString full;
    if (m_searching) {
        const qsizetype found = CommandCompletion::search(txtSend->text(), m_history.commands()).size();
        full = found > 0 ? filledText(TextId::HistorySearchMatches, {QString::number(found)})
                         : GetText(TextId::HistorySearchNone);
    } else {
        full = m_completion.hint(txtSend->text()).join(HintSeparator);
    }
    labCommandHint->setText(
        labCommandHint->fontMetrics().elidedText(full, Qt::ElideRight, labCommandHint->width()));
    labCommandHint->setToolTip(full == labCommandHint->text() ? QString() : full);
    txtSend->setAccessibleDescription(full);
}

bool CommandLinePage::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    const bool searchKey = key->key() == Qt::Key_R && key->modifiers() == Qt::ControlModifier;
    if (watched == m_completer->popup()) {
        const QModelIndex current = m_completer->popup()->currentIndex();
        switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            // As an address bar: an offer only once the user has moved to it, else the text as it stands.
            if (m_inList && current.isValid()) {
                takeOffer(current.row());
            } else {
                hideOffers();
                cmdSend->click();
            }
            return true;
        case Qt::Key_Tab:
            takeOffer(m_inList && current.isValid() ? current.row() : 0);
            return true;
        case Qt::Key_Up:
        case Qt::Key_Down:
            m_inList = true;
            break; // the completer moves
        case Qt::Key_Escape:
            endSearch();
            break; // the completer hides the list
        default:
            if (searchKey) {
                // Again: the next older match.
                searchHistory(m_searching && current.isValid() ? current.row() + 1 : 0);
                return true;
            }
        }
    } else if (watched == txtSend) {
        if (searchKey) {
            searchHistory(0);
            return true;
        }
        if (m_searching && key->key() == Qt::Key_Escape) {
            endSearch();
            return true;
        }
        if (!completing() && (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down)) {
            const std::optional<QString> step =
                key->key() == Qt::Key_Up ? m_history.older(txtSend->text()) : m_history.newer();
            if (step)
                txtSend->setText(*step);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
