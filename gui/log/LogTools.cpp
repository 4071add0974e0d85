#include "gui/log/LogTools.h"

#include "core/link/LogExport.h"
#include "core/link/LogJob.h"
#include "core/link/MessageLog.h"
#include "core/texts/Texts.h"
#include "gui/Dialogs.h"
#include "gui/log/LogFilterDialog.h"
#include "gui/log/LogFilterModel.h"
#include "gui/log/LogFollower.h"
#include "gui/log/LogRowView.h"
#include "gui/log/LogView.h"

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
#include <QLocale>
#include <QMenu>
#include <QTableView>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <memory>

namespace {
// A copy of this many rows is made at once; more go to a worker.
constexpr int CopyAtOnce = 20000;
// Rows that find looks at on this thread as they come; more at once go to a worker.
constexpr int CountedAtOnce = 4000;
constexpr int ProgressIntervalMs = 100;
} // namespace

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
    chkRegularExpression = new QCheckBox(this);
    chkRegularExpression->setObjectName(QStringLiteral("chkRegularExpression"));
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
    row->addWidget(chkRegularExpression);
    row->addWidget(labFindResult);
    row->addWidget(cmdCloseFind);

    connect(txtFind, &QLineEdit::textChanged, this, &LogFindBar::changed);
    connect(chkMatchCase, &QCheckBox::toggled, this, &LogFindBar::changed);
    connect(chkRegularExpression, &QCheckBox::toggled, this, &LogFindBar::changed);
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
    txtFind->setAccessibleName(GetText(TextId::FindTextName));
    for (auto [button, id] : {std::pair{cmdFindPrevious, TextId::FindPrevious},
                              {cmdFindNext, TextId::FindNext},
                              {cmdCloseFind, TextId::CloseFind}}) {
        button->setToolTip(GetText(id));
        button->setAccessibleName(GetText(id));
    }
    chkMatchCase->setText(GetText(TextId::MatchCase));
    // Short on the bar; the whole name for a screen reader.
    chkRegularExpression->setText(QStringLiteral(".*"));
    chkRegularExpression->setToolTip(GetText(TextId::RegularExpression));
    chkRegularExpression->setAccessibleName(GetText(TextId::RegularExpression));
}

QString LogFindBar::needle() const {
    return txtFind->text();
}

Qt::CaseSensitivity LogFindBar::sensitivity() const {
    return chkMatchCase->isChecked() ? Qt::CaseSensitive : Qt::CaseInsensitive;
}

bool LogFindBar::regularExpression() const {
    return chkRegularExpression->isChecked();
}

LogMatcher LogFindBar::matcher() const {
    return LogMatcher(needle(), sensitivity(), regularExpression());
}

void LogFindBar::setResult(const QString& text) {
    labFindResult->setText(text);
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
    , m_model(qobject_cast<LogFilterModel*>(view->model()))
    , m_follower(new LogFollower(view))
    , m_findBar(findBar)
    , m_dialogs(dialogs)
    , m_delegate(qobject_cast<LogItemDelegate*>(view->itemDelegate()))
    , m_saveFolder(QDir::homePath()) {
    m_copy = addAction(QKeySequence::Copy, view);
    m_copyAll = addAction({}, view);
    m_copyShown = addAction({}, view);
    m_selectAll = addAction(QKeySequence::SelectAll, view);
    m_find = addAction(QKeySequence::Find, scope);
    m_filter = addAction(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F), scope);
    m_save = addAction({}, view);
    m_saveShown = addAction({}, view);
    m_follow = addAction({}, view);
    m_follow->setCheckable(true);
    m_follow->setChecked(true);
    m_clear = addAction({}, view);
    m_showRow = addAction({}, view);
    m_latency = addAction({}, view->horizontalHeader());
    m_latency->setCheckable(true);
    for (auto [action, name] : {std::pair{m_copy, "actCopyRows"},
                                {m_copyAll, "actCopyAllRows"},
                                {m_copyShown, "actCopyShownRows"},
                                {m_selectAll, "actSelectAllRows"},
                                {m_find, "actFindInLog"},
                                {m_filter, "actFilterLog"},
                                {m_save, "actSaveLog"},
                                {m_saveShown, "actSaveShownRows"},
                                {m_follow, "actFollow"},
                                {m_clear, "actClearLog"},
                                {m_showRow, "actShowRow"},
                                {m_latency, "actLatency"}})
        action->setObjectName(QLatin1String(name));

    connect(m_copy, &QAction::triggered, this, &LogTools::copySelection);
    connect(m_copyAll, &QAction::triggered, this, [this] { copyAll(false); });
    connect(m_copyShown, &QAction::triggered, this, [this] { copyAll(true); });
    connect(m_selectAll, &QAction::triggered, this, &LogTools::selectAll);
    connect(m_find, &QAction::triggered, m_findBar, &LogFindBar::open);
    connect(m_filter, &QAction::triggered, this, &LogTools::openFilter);
    connect(m_save, &QAction::triggered, this, [this] { saveLog(false); });
    connect(m_saveShown, &QAction::triggered, this, [this] { saveLog(true); });
    connect(m_follow, &QAction::triggered, this, &LogTools::chooseFollowing);
    connect(m_follower, &LogFollower::followingChanged, m_follow, &QAction::setChecked);
    connect(m_clear, &QAction::triggered, this, &LogTools::clearRequested);
    connect(m_showRow, &QAction::triggered, this,
            [this] { openRow(m_model->sourceRow(m_view->currentIndex().row())); });
    connect(m_latency, &QAction::triggered, this, &LogTools::setLatencyShown);

    view->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(view, &QWidget::customContextMenuRequested, this, [this](QPoint at) {
        m_copy->setEnabled(m_view->selectionModel()->hasSelection());
        m_showRow->setEnabled(m_view->currentIndex().isValid());
        m_clear->setEnabled(m_log->size() > 0);
        QMenu menu(m_view);
        menu.addActions({m_copy, m_copyAll});
        if (m_model->isFiltered())
            menu.addAction(m_copyShown);
        menu.addActions({m_selectAll, m_find, m_filter, m_save});
        if (m_model->isFiltered())
            menu.addAction(m_saveShown);
        menu.addAction(m_showRow);
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

    connect(view, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex& index) { openRow(m_model->sourceRow(index.row())); });
    view->installEventFilter(this);

    m_taskProgress = new QTimer(this);
    m_taskProgress->setInterval(ProgressIntervalMs);
    connect(m_taskProgress, &QTimer::timeout, this, [this] {
        if (m_task && m_task->total() > 0)
            emit taskProgressed(int(std::min<qint64>(100, m_task->done() * 100 / m_task->total())));
    });

    connect(m_findBar, &LogFindBar::changed, this, &LogTools::restartFind);
    connect(m_findBar, &LogFindBar::stepped, this, &LogTools::findStep);
    connect(m_findBar, &LogFindBar::closed, this, [this] {
        delete m_findJob;
        m_findJob = nullptr;
        m_findMatcher = {};
        if (m_delegate)
            m_delegate->setMark({});
        m_view->viewport()->update();
        m_view->setFocus();
    });
    connect(m_model, &QAbstractItemModel::rowsInserted, this, &LogTools::findTail);
    connect(m_model, &LogFilterModel::filterApplied, this, [this] {
        showFilterStatus();
        if (m_findBar->isVisible())
            restartFind();
    });
    connect(m_log, &QAbstractItemModel::modelReset, this, [this] {
        if (m_findBar->isVisible())
            restartFind();
        showFilterStatus();
    });
}

LogTools::~LogTools() {
    // The workers end before the log they read goes.
    delete m_task;
    delete m_findJob;
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
    m_copyAll->setText(GetText(TextId::CopyAllRows));
    m_copyShown->setText(GetText(TextId::CopyShownRows));
    m_selectAll->setText(GetText(TextId::SelectAllRows));
    m_find->setText(GetText(TextId::FindInLog));
    m_filter->setText(GetText(TextId::FilterRows));
    m_save->setText(GetText(TextId::SaveLogAs));
    m_saveShown->setText(GetText(TextId::SaveShownRowsAs));
    m_follow->setText(GetText(TextId::FollowNewRows));
    m_clear->setText(GetText(TextId::DeleteListButton));
    m_showRow->setText(GetText(TextId::ShowRow));
    m_latency->setText(GetText(TextId::LatencyColumn));
    m_findBar->retranslate();
    if (m_filterDialog)
        m_filterDialog->retranslate();
}

bool LogTools::following() const {
    return m_follower->following();
}

void LogTools::chooseFollowing(bool on) {
    m_followingChosen = on;
    setFollowing(on);
}

void LogTools::setFollowing(bool on) {
    m_follower->setFollowing(on);
    m_follow->setChecked(on);
}

bool LogTools::latencyShown() const {
    return !m_view->horizontalHeader()->isSectionHidden(MessageLog::LatencyColumn);
}

void LogTools::setLatencyShown(bool shown) {
    m_view->horizontalHeader()->setSectionHidden(MessageLog::LatencyColumn, !shown);
    m_latency->setChecked(shown);
}

void LogTools::setErrorText(const QString& text) {
    m_errorText = text;
    if (m_filterDialog) {
        m_filterDialog->setErrorText(text);
        m_model->setCriteria(m_filterDialog->criteria());
    }
}

QList<int> LogTools::selectedRows() const {
    QList<int> rows;
    for (const QItemSelectionRange& range : m_view->selectionModel()->selection()) {
        for (int row = range.top(); row <= range.bottom(); ++row)
            rows.append(m_model->sourceRow(row));
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

void LogTools::startTask(LogJob* job, const QString& what) {
    delete m_task;
    m_task = job;
    emit taskStarted(what);
    m_taskProgress->start();
    connect(job, &LogJob::finished, this, [this, job] {
        if (m_task == job) {
            m_task = nullptr;
            m_taskProgress->stop();
            emit taskFinished();
        }
        job->deleteLater();
    });
    job->start();
}

void LogTools::cancelTask() {
    if (m_task)
        m_task->cancel();
}

void LogTools::copyRows(const QList<int>& rows, const std::vector<int>* rowNumbers, int count) {
    const LogRows snapshot = m_log->rows();
    const bool all = rowNumbers == nullptr && rows.isEmpty();
    if (count == 0)
        return;
    if (count <= CopyAtOnce) {
        QList<int> listed = rows;
        for (int i = 0; i < count && listed.size() < count; ++i)
            listed.append(all ? i : (*rowNumbers)[std::size_t(i)]);
        QGuiApplication::clipboard()->setText(LogExport::copyText(snapshot, listed));
        return;
    }
    // Many rows: listed on the worker from what it was given, then copied there.
    auto text = std::make_shared<QString>();
    auto listed = std::make_shared<QList<int>>(rows);
    auto numbers = std::make_shared<std::vector<int>>(rowNumbers ? *rowNumbers : std::vector<int>());
    auto* job = new LogJob(count, [snapshot, text, listed, numbers, all, count](LogJob::Control& control) {
        if (all || !numbers->empty()) {
            listed->reserve(count);
            for (int i = 0; i < count; ++i)
                listed->append(all ? i : (*numbers)[std::size_t(i)]);
        }
        *text =
            LogExport::copyText(snapshot, *listed, [&control](qint64 done) { return control.proceed(done); });
        return !text->isNull();
    });
    connect(job, &LogJob::finished, this, [text](bool completed) {
        if (completed)
            QGuiApplication::clipboard()->setText(*text);
    });
    startTask(job, GetText(TextId::CopyingRows));
}

void LogTools::copySelection() {
    // All rows selected (Ctrl+A): copied without listing ten million rows here first.
    qint64 selected = 0;
    for (const QItemSelectionRange& range : m_view->selectionModel()->selection())
        selected += range.height();
    if (selected > CopyAtOnce && selected == m_model->rowCount())
        return copyAll(m_model->isFiltered());
    const QList<int> rows = selectedRows();
    copyRows(rows, nullptr, int(rows.size()));
}

void LogTools::copyAll(bool shownOnly) {
    if (shownOnly && m_model->isFiltered())
        copyRows({}, &m_model->shownRows(), int(m_model->shownRows().size()));
    else if (m_log->size() > 0)
        copyRows({}, nullptr, m_log->size());
}

void LogTools::selectAll() {
    // New rows would take the selection of all rows away.
    setFollowing(false);
    m_view->selectAll();
}

void LogTools::saveLog(bool shownOnly) {
    const QString filter = GetText(TextId::CsvFileFilter) + QStringLiteral(" (*.csv)|*.csv|") +
                           GetText(TextId::JsonLinesFileFilter) + QStringLiteral(" (*.jsonl)|*.jsonl");
    const QString name = GetText(TextId::SaveLogFileName) +
                         QDateTime::currentDateTimeUtc().toString(QStringLiteral("-yyyyMMdd-HHmmss")) +
                         QStringLiteral(".csv");
    const std::optional<Dialogs::SavedFile> chosen =
        m_dialogs.saveFileOfType(m_view->window(), GetText(TextId::SaveLogTitle), m_saveFolder, name, filter);
    if (!chosen || chosen->path.isEmpty())
        return;
    // The type chosen in the dialog decides; without one, the name does.
    const LogExport::Format format = chosen->filterIndex == 1   ? LogExport::Format::JsonLines
                                     : chosen->filterIndex == 0 ? LogExport::Format::Csv
                                                                : LogExport::formatForPath(chosen->path);
    const QString path = LogExport::withSuffix(chosen->path, format);
    m_saveFolder = QFileInfo(path).absolutePath();
    // The rows as they stand now; rows that arrive meanwhile are not part of this file.
    const LogRows snapshot = m_log->rows();
    std::shared_ptr<const std::vector<int>> only;
    if (shownOnly && m_model->isFiltered())
        only = std::make_shared<const std::vector<int>>(m_model->shownRows());
    auto error = std::make_shared<QString>();
    const qint64 total = only ? qint64(only->size()) : snapshot.size();
    auto* job = new LogJob(total, [snapshot, path, format, only, error](LogJob::Control& control) {
        return LogExport::save(snapshot, path, format, error.get(), only.get(),
                               [&control](qint64 done) { return control.proceed(done); });
    });
    connect(job, &LogJob::finished, this, [this, job, error, path] {
        if (!job->isCancelled() && !error->isEmpty())
            m_dialogs.warning(m_view->window(), GetText(TextId::SaveFailedTitle),
                              filledText(TextId::SaveLogFailed, {QDir::toNativeSeparators(path), *error}));
    });
    startTask(job, GetText(TextId::SavingLog));
}

void LogTools::restartFind() {
    delete m_findJob;
    m_findJob = nullptr;
    m_matches.clear();
    m_findScanned = 0;
    m_pendingStep = 0;
    const LogMatcher matcher = m_findBar->matcher();
    if (m_delegate)
        m_delegate->setMark(matcher);
    m_view->viewport()->update();
    if (matcher.isEmpty())
        return m_findBar->setResult({});
    if (!matcher.isValid())
        return m_findBar->setResult(GetText(TextId::InvalidRegularExpression));
    m_findBar->setResult(GetText(TextId::FindCounting));
    m_findMatcher = matcher;
    m_findFilter = LogFilter(m_model->shownCriteria());
    m_jumpWhenCounted = true;
    startFindScan(0, m_log->rowCount());
}

void LogTools::startFindScan(int from, int to) {
    // Counted on a worker over the rows the view knows; the worker has its own matcher and filter.
    const LogRows snapshot = m_log->rows();
    auto matches = std::make_shared<std::vector<int>>();
    m_findJob = new LogJob(to - from, [snapshot, from, to, matches, filter = m_findFilter.criteria(),
                                       needle = m_findBar->needle(), sensitivity = m_findBar->sensitivity(),
                                       regex = m_findBar->regularExpression()](LogJob::Control& control) {
        const LogMatcher matcher(needle, sensitivity, regex);
        const LogFilter shown(filter);
        for (int row = from; row < to; ++row) {
            if ((row & 4095) == 0 && !control.proceed(row - from))
                return false;
            if (shown.passes(snapshot, row) && matcher.matches(snapshot, row))
                matches->push_back(row);
        }
        return true;
    });
    connect(m_findJob, &LogJob::finished, this, [this, matches, to](bool completed) {
        m_findJob->deleteLater();
        m_findJob = nullptr;
        if (!completed)
            return;
        m_matches.insert(m_matches.end(), matches->begin(), matches->end());
        m_findScanned = to;
        findTail();
        if (m_findJob)
            return; // more came meanwhile than are counted at once
        if (m_pendingStep != 0) {
            const bool forward = m_pendingStep > 0;
            m_pendingStep = 0;
            findStep(forward);
        } else if (m_jumpWhenCounted) {
            // As typed: the first match from the current row on.
            m_jumpWhenCounted = false;
            const int current = std::max(0, m_model->sourceRow(m_view->currentIndex().row()));
            const auto at = std::lower_bound(m_matches.begin(), m_matches.end(), current);
            if (m_matches.empty())
                m_findBar->setResult(GetText(TextId::FindNotFound));
            else
                stepTo(at == m_matches.end() ? 0 : int(at - m_matches.begin()), at == m_matches.end());
        }
    });
    m_findJob->start();
}

void LogTools::findTail() {
    if (m_findJob || !m_findBar->isVisible() || m_findMatcher.isEmpty() || !m_findMatcher.isValid())
        return;
    const int to = m_log->rowCount();
    if (m_findScanned >= to)
        return;
    // Rows of a frame or two are looked at here; a flood goes to a worker.
    if (to - m_findScanned > CountedAtOnce)
        return startFindScan(m_findScanned, to);
    const LogRows snapshot = m_log->rows();
    for (int row = m_findScanned; row < to; ++row) {
        if (m_findFilter.passes(snapshot, row) && m_findMatcher.matches(snapshot, row))
            m_matches.push_back(row);
    }
    m_findScanned = to;
    const int current = m_model->sourceRow(m_view->currentIndex().row());
    const auto at = std::lower_bound(m_matches.begin(), m_matches.end(), current);
    if (at != m_matches.end() && *at == current)
        showFindCount(int(at - m_matches.begin()), false);
}

void LogTools::findStep(bool forward) {
    m_log->flush();
    if (m_findJob) {
        m_pendingStep = forward ? 1 : -1;
        return;
    }
    if (m_findMatcher.isEmpty() || !m_findMatcher.isValid())
        return;
    findTail();
    if (m_findJob) {
        m_pendingStep = forward ? 1 : -1;
        return;
    }
    if (m_matches.empty())
        return m_findBar->setResult(GetText(TextId::FindNotFound));
    const int current = m_model->sourceRow(m_view->currentIndex().row());
    const int count = int(m_matches.size());
    if (current < 0)
        return stepTo(forward ? 0 : count - 1, false);
    if (forward) {
        const auto next = std::upper_bound(m_matches.begin(), m_matches.end(), current);
        return next == m_matches.end() ? stepTo(0, true) : stepTo(int(next - m_matches.begin()), false);
    }
    const auto at = std::lower_bound(m_matches.begin(), m_matches.end(), current);
    return at == m_matches.begin() ? stepTo(count - 1, true) : stepTo(int(at - m_matches.begin()) - 1, false);
}

void LogTools::stepTo(int match, bool wrapped) {
    setFollowing(false);
    m_follower->selectRow(m_model->shownRow(m_matches[std::size_t(match)]));
    showFindCount(match, wrapped);
}

void LogTools::showFindCount(int match, bool wrapped) {
    const QLocale locale;
    m_findBar->setResult(filledText(wrapped ? TextId::FindCountWrapped : TextId::FindCount,
                                    {locale.toString(match + 1), locale.toString(qint64(m_matches.size()))}));
}

void LogTools::openFilter() {
    if (!m_filterDialog) {
        m_filterDialog = new LogFilterDialog(m_view->window());
        m_filterDialog->setErrorText(m_errorText);
        connect(m_filterDialog, &LogFilterDialog::criteriaChanged, this, [this](const LogFilterCriteria& c) {
            if (!LogMatcher(c.text, Qt::CaseSensitive, c.regularExpression).isValid())
                return m_filterDialog->setStatus(GetText(TextId::InvalidRegularExpression));
            m_model->setCriteria(c);
            showFilterStatus();
        });
        connect(m_model, &QAbstractItemModel::rowsInserted, this, &LogTools::showFilterStatus);
    }
    m_filterDialog->show();
    m_filterDialog->raise();
    m_filterDialog->activateWindow();
}

void LogTools::showFilterStatus() {
    if (!m_filterDialog)
        return;
    const QLocale locale;
    if (m_model->isBuilding())
        m_filterDialog->setStatus(GetText(TextId::FilterBuilding));
    else if (m_model->isFiltered())
        m_filterDialog->setStatus(filledText(TextId::FilterShownCount, {locale.toString(m_model->rowCount()),
                                                                        locale.toString(m_log->rowCount())}));
    else
        m_filterDialog->setStatus({});
}

QWidget* LogTools::openRow(int row) {
    if (row < 0 || row >= m_log->size())
        return nullptr;
    auto* view = new LogRowView(*m_log, row, m_view->window());
    view->show();
    return view;
}

bool LogTools::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_view && event->type() == QEvent::KeyPress) {
        // The view's own handling would copy one cell, and select all without ending the following.
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
            openRow(m_model->sourceRow(m_view->currentIndex().row()));
        else if (key->matches(QKeySequence::Copy))
            copySelection();
        else if (key->matches(QKeySequence::SelectAll))
            selectAll();
        else
            return QObject::eventFilter(watched, event);
        return true;
    }
    return QObject::eventFilter(watched, event);
}
