#include "gui/LogTools.h"

#include "core/link/LogExport.h"
#include "core/link/MessageLog.h"
#include "core/texts/Texts.h"
#include "gui/Dialogs.h"
#include "gui/LogRowView.h"
#include "gui/LogView.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QDateTime>
#include <QDir>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QScrollBar>
#include <QTableView>
#include <QToolButton>

#include <algorithm>

LogFindBar::LogFindBar(QWidget* parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("findBar"));
    txtFind = new QLineEdit(this);
    txtFind->setObjectName(QStringLiteral("txtFind"));
    txtFind->setClearButtonEnabled(true);
    auto arrowButton = [this](const char* name, Qt::ArrowType arrow) {
        auto* button = new QToolButton(this);
        button->setObjectName(QLatin1String(name));
        button->setArrowType(arrow);
        return button;
    };
    cmdFindPrevious = arrowButton("cmdFindPrevious", Qt::UpArrow);
    cmdFindNext = arrowButton("cmdFindNext", Qt::DownArrow);
    chkMatchCase = new QCheckBox(this);
    chkMatchCase->setObjectName(QStringLiteral("chkMatchCase"));
    labFindResult = new QLabel(this);
    labFindResult->setObjectName(QStringLiteral("labFindResult"));
    cmdCloseFind = new QToolButton(this);
    cmdCloseFind->setObjectName(QStringLiteral("cmdCloseFind"));
    cmdCloseFind->setText(QStringLiteral("\u00D7"));

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(4);
    row->addWidget(txtFind, 1);
    row->addWidget(cmdFindPrevious);
    row->addWidget(cmdFindNext);
    row->addWidget(chkMatchCase);
    row->addWidget(labFindResult);
    row->addWidget(cmdCloseFind);

    connect(txtFind, &QLineEdit::textChanged, this, &LogFindBar::changed);
    connect(chkMatchCase, &QCheckBox::toggled, this, &LogFindBar::changed);
    connect(cmdFindPrevious, &QToolButton::clicked, this, [this] { emit stepped(false); });
    connect(cmdFindNext, &QToolButton::clicked, this, [this] { emit stepped(true); });
    connect(cmdCloseFind, &QToolButton::clicked, this, [this] {
        hide();
        emit closed();
    });
    txtFind->installEventFilter(this);
    hide();
}

void LogFindBar::retranslate() {
    txtFind->setPlaceholderText(GetText(TextId::FindPlaceholder));
    cmdFindPrevious->setToolTip(GetText(TextId::FindPrevious));
    cmdFindNext->setToolTip(GetText(TextId::FindNext));
    chkMatchCase->setText(GetText(TextId::MatchCase));
    cmdCloseFind->setToolTip(GetText(TextId::CloseFind));
    // The arrows, the cross and the field's own clear button show no words; they are named here.
    txtFind->setAccessibleName(GetText(TextId::FindPlaceholder));
    cmdFindPrevious->setAccessibleName(GetText(TextId::FindPrevious));
    cmdFindNext->setAccessibleName(GetText(TextId::FindNext));
    cmdCloseFind->setAccessibleName(GetText(TextId::CloseFind));
    for (QToolButton* clear : txtFind->findChildren<QToolButton*>())
        clear->setAccessibleName(GetText(TextId::ClearFindName));
    if (!labFindResult->text().isEmpty())
        setNotFound(true);
}

QString LogFindBar::needle() const {
    return txtFind->text();
}

Qt::CaseSensitivity LogFindBar::sensitivity() const {
    return chkMatchCase->isChecked() ? Qt::CaseSensitive : Qt::CaseInsensitive;
}

void LogFindBar::setNotFound(bool notFound) {
    labFindResult->setText(notFound ? GetText(TextId::FindNotFound) : QString());
}

void LogFindBar::open() {
    show();
    txtFind->setFocus(Qt::ShortcutFocusReason);
    txtFind->selectAll();
}

bool LogFindBar::eventFilter(QObject* watched, QEvent* event) {
    if (watched == txtFind && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            emit stepped(!(key->modifiers() & Qt::ShiftModifier));
            return true;
        }
        if (key->key() == Qt::Key_Escape) {
            cmdCloseFind->click();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

LogTools::LogTools(QTableView* view, MessageLog* log, LogFindBar* findBar, Dialogs& dialogs, QWidget* scope)
    : QObject(view)
    , m_view(view)
    , m_log(log)
    , m_findBar(findBar)
    , m_dialogs(dialogs)
    , m_delegate(qobject_cast<LogItemDelegate*>(view->itemDelegate()))
    , m_saveFolder(QDir::homePath()) {
    m_copy = addAction(QKeySequence::Copy, view);
    m_selectAll = addAction(QKeySequence::SelectAll, view);
    m_find = addAction(QKeySequence::Find, scope);
    m_save = addAction({}, view);
    m_follow = addAction({}, view);
    m_follow->setCheckable(true);
    m_follow->setChecked(true);
    m_clear = addAction({}, view);
    m_showRow = addAction({}, view);
    m_latency = addAction({}, view->horizontalHeader());
    m_latency->setCheckable(true);
    for (auto [action, name] : {std::pair{m_copy, "actCopyRows"},
                                {m_selectAll, "actSelectAllRows"},
                                {m_find, "actFindInLog"},
                                {m_save, "actSaveLog"},
                                {m_follow, "actFollow"},
                                {m_clear, "actClearLog"},
                                {m_showRow, "actShowRow"},
                                {m_latency, "actLatency"}})
        action->setObjectName(QLatin1String(name));

    connect(m_copy, &QAction::triggered, this, &LogTools::copySelection);
    connect(m_selectAll, &QAction::triggered, this, &LogTools::selectAll);
    connect(m_find, &QAction::triggered, m_findBar, &LogFindBar::open);
    connect(m_save, &QAction::triggered, this, &LogTools::saveLog);
    connect(m_follow, &QAction::triggered, this, &LogTools::setFollowing);
    connect(m_clear, &QAction::triggered, this, &LogTools::clearRequested);
    connect(m_showRow, &QAction::triggered, this, [this] { openRow(m_view->currentIndex().row()); });
    connect(m_latency, &QAction::triggered, this, &LogTools::setLatencyShown);

    view->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(view, &QWidget::customContextMenuRequested, this, [this](QPoint at) {
        m_copy->setEnabled(m_view->selectionModel()->hasSelection());
        m_showRow->setEnabled(m_view->currentIndex().isValid());
        m_clear->setEnabled(m_log->size() > 0);
        QMenu menu(m_view);
        menu.addActions({m_copy, m_selectAll, m_find, m_save, m_showRow});
        menu.addSeparator();
        menu.addActions({m_follow, m_clear});
        menu.exec(m_view->viewport()->mapToGlobal(at));
        // Their keys stay live whatever the menu showed.
        for (QAction* action : {m_copy, m_showRow, m_clear})
            action->setEnabled(true);
    });
    QHeaderView* header = view->horizontalHeader();
    header->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(header, &QWidget::customContextMenuRequested, this, [this, header](QPoint at) {
        QMenu menu(header);
        menu.addAction(m_latency);
        menu.exec(header->mapToGlobal(at));
    });

    connect(log, &QAbstractItemModel::rowsInserted, this, &LogTools::onRowsInserted);
    // Only the user's own scrolling: drags, clicks on the bar and the wheel trigger slider actions.
    QScrollBar* bar = view->verticalScrollBar();
    connect(bar, &QScrollBar::actionTriggered, this, [this, bar] {
        if (!m_moving)
            m_following = bar->sliderPosition() >= bar->maximum();
        m_follow->setChecked(m_following);
    });
    connect(view->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { onCurrentRowChanged(current.row()); });
    connect(view, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex& index) { openRow(index.row()); });
    view->installEventFilter(this);

    connect(m_findBar, &LogFindBar::changed, this, [this] {
        const int current = m_view->currentIndex().row();
        find(std::max(current, 0), true);
    });
    connect(m_findBar, &LogFindBar::stepped, this, &LogTools::findStep);
    connect(m_findBar, &LogFindBar::closed, this, [this] {
        refreshMark();
        m_view->setFocus();
    });
}

QAction* LogTools::addAction(const QKeySequence& keys, QWidget* on) {
    auto* action = new QAction(on);
    if (!keys.isEmpty()) {
        action->setShortcut(keys);
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        on->addAction(action);
    }
    return action;
}

void LogTools::retranslate() {
    m_copy->setText(GetText(TextId::CopyRows));
    m_selectAll->setText(GetText(TextId::SelectAllRows));
    m_find->setText(GetText(TextId::FindInLog));
    m_save->setText(GetText(TextId::SaveLogAs));
    m_follow->setText(GetText(TextId::FollowNewRows));
    m_clear->setText(GetText(TextId::DeleteListButton));
    m_showRow->setText(GetText(TextId::ShowRow));
    m_latency->setText(GetText(TextId::LatencyColumn));
    m_findBar->retranslate();
}

void LogTools::setFollowing(bool on) {
    m_following = on;
    m_follow->setChecked(on);
    if (on)
        showNewestRow();
}

void LogTools::onRowsInserted() {
    if (m_following)
        showNewestRow();
}

void LogTools::showNewestRow() {
    // Selecting makes the view work out row positions; a view out of sight (a script running from the
    // quick-dial tab) catches up when it is shown.
    if (!m_view->isVisible()) {
        m_newestRowPending = true;
        return;
    }
    m_newestRowPending = false;
    selectRow(m_log->rowCount() - 1);
}

void LogTools::selectRow(int row) {
    m_moving = true;
    showLogRow(m_view, row);
    m_moving = false;
}

void LogTools::onCurrentRowChanged(int row) {
    // The user picked a row: an older one holds the view there, the newest follows again.
    if (m_moving || row < 0)
        return;
    m_following = row == m_log->rowCount() - 1;
    m_follow->setChecked(m_following);
}

QList<int> LogTools::selectedRows() const {
    QList<int> rows;
    for (const QItemSelectionRange& range : m_view->selectionModel()->selection()) {
        for (int row = range.top(); row <= range.bottom(); ++row)
            rows.append(row);
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

void LogTools::copySelection() const {
    const QList<int> rows = selectedRows();
    if (!rows.isEmpty())
        QGuiApplication::clipboard()->setText(LogExport::copyText(*m_log, rows));
}

void LogTools::selectAll() {
    // New rows would take the selection of all rows away.
    m_following = false;
    m_follow->setChecked(false);
    m_view->selectAll();
}

void LogTools::saveLog() {
    const QString filter = GetText(TextId::CsvFileFilter) + QStringLiteral(" (*.csv)|*.csv|") +
                           GetText(TextId::JsonLinesFileFilter) + QStringLiteral(" (*.jsonl)|*.jsonl");
    const QString name = GetText(TextId::SaveLogFileName) +
                         QDateTime::currentDateTimeUtc().toString(QStringLiteral("-yyyyMMdd-HHmmss")) +
                         QStringLiteral(".csv");
    const std::optional<QString> path =
        m_dialogs.saveFile(m_view->window(), GetText(TextId::SaveLogTitle), m_saveFolder, name, filter);
    if (!path || path->isEmpty())
        return;
    m_saveFolder = QFileInfo(*path).absolutePath();
    QString error;
    if (!LogExport::save(*m_log, *path, LogExport::formatForPath(*path), &error))
        m_dialogs.warning(m_view->window(), GetText(TextId::SaveFailedTitle),
                          filledText(TextId::SaveLogFailed, {QDir::toNativeSeparators(*path), error}));
}

void LogTools::findStep(bool forward) {
    m_log->flush();
    const int count = m_log->rowCount();
    if (count == 0)
        return find(0, forward);
    const int current = m_view->currentIndex().row();
    const int from = current < 0 ? (forward ? 0 : count - 1) : (current + (forward ? 1 : count - 1)) % count;
    find(from, forward);
}

void LogTools::find(int from, bool forward) {
    refreshMark();
    const QString needle = m_findBar->needle();
    if (needle.isEmpty()) {
        m_findBar->setNotFound(false);
        return;
    }
    m_log->flush();
    const int row = m_log->find(needle, from, forward, m_findBar->sensitivity());
    m_findBar->setNotFound(row < 0);
    if (row < 0)
        return;
    m_following = false;
    m_follow->setChecked(false);
    selectRow(row);
}

void LogTools::refreshMark() {
    if (!m_delegate)
        return;
    m_delegate->setMark(m_findBar->isVisible() ? m_findBar->needle() : QString(), m_findBar->sensitivity());
    m_view->viewport()->update();
}

QWidget* LogTools::openRow(int row) {
    if (row < 0 || row >= m_log->size())
        return nullptr;
    auto* view = new LogRowView(*m_log, row, m_view->window());
    view->show();
    return view;
}

void LogTools::setLatencyShown(bool shown) {
    m_view->horizontalHeader()->setSectionHidden(MessageLog::LatencyColumn, !shown);
    m_latency->setChecked(shown);
}

bool LogTools::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_view) {
        if (event->type() == QEvent::Show && m_newestRowPending && m_following)
            showNewestRow();
        if (event->type() == QEvent::KeyPress) {
            // The view's own handling would copy one cell, and select all without ending the following.
            const auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
                openRow(m_view->currentIndex().row());
            else if (key->matches(QKeySequence::Copy))
                copySelection();
            else if (key->matches(QKeySequence::SelectAll))
                selectAll();
            else
                return QObject::eventFilter(watched, event);
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}
