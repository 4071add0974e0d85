#include "gui/log/LogFilterModel.h"

#include "core/link/LogJob.h"
#include "core/link/MessageLog.h"

#include <algorithm>

namespace {
constexpr int DecidedAtOnce = 4000;
} // namespace

LogFilterModel::LogFilterModel(MessageLog* log, QObject* parent)
    : QAbstractTableModel(parent)
    , m_log(log)
    , m_passed(log->rowCount()) {
    connect(log, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex&, int first, int last) { onRowsInserted(first, last); });
    connect(log, &QAbstractItemModel::modelReset, this, &LogFilterModel::onReset);
    connect(log, &QAbstractItemModel::headerDataChanged, this, &QAbstractItemModel::headerDataChanged);
    connect(log, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex& from, const QModelIndex& to, const QList<int>& roles) {
                for (int row = from.row(); row <= to.row(); ++row) {
                    const int shown = shownRow(row);
                    if (shown >= 0)
                        emit dataChanged(index(shown, from.column()), index(shown, to.column()), roles);
                }
            });
}

LogFilterModel::~LogFilterModel() {
    stopJob();
}

void LogFilterModel::setCriteria(const LogFilterCriteria& criteria) {
    if (criteria == this->criteria())
        return;
    stopJob();
    if (criteria.isEmpty()) {
        beginResetModel();
        m_filter = LogFilter();
        m_rows.clear();
        m_rows.shrink_to_fit();
        m_passed = m_log->rowCount();
        endResetModel();
        emit filterApplied();
        return;
    }
    m_building = criteria;
    startScan(0, m_log->rowCount(), true);
}

void LogFilterModel::stopJob() {
    delete m_job;
    m_job = nullptr;
    m_jobBuilds = false;
}

void LogFilterModel::startScan(int from, int to, bool build) {
    const LogRows rows = m_log->rows();
    auto result = std::make_shared<std::vector<int>>();
    // The worker has its own filter: a regular expression is not shared between threads.
    const LogFilterCriteria criteria = build ? m_building : m_filter.criteria();
    m_jobBuilds = build;
    m_job = new LogJob(to - from, [rows, from, to, criteria, result](LogJob::Control& control) {
        const LogFilter filter(criteria);
        for (int row = from; row < to; ++row) {
            if ((row & 4095) == 0 && !control.proceed(row - from))
                return false;
            if (filter.passes(rows, row))
                result->push_back(row);
        }
        return true;
    });
    connect(m_job, &LogJob::finished, this, [this, result, to, build](bool completed) {
        m_job->deleteLater();
        m_job = nullptr;
        m_jobBuilds = false;
        if (!completed)
            return;
        if (build) {
            beginResetModel();
            m_filter = LogFilter(m_building);
            m_rows = std::move(*result);
            endResetModel();
        } else {
            append(*result);
        }
        m_scanned = to;
        // Rows that reached the view while the worker ran.
        passNewRows(m_scanned);
        if (build)
            emit filterApplied();
    });
    m_job->start();
}

void LogFilterModel::append(const std::vector<int>& passing) {
    if (passing.empty())
        return;
    const int first = int(m_rows.size());
    beginInsertRows({}, first, first + int(passing.size()) - 1);
    m_rows.insert(m_rows.end(), passing.begin(), passing.end());
    endInsertRows();
}

void LogFilterModel::passNewRows(int from) {
    const int to = m_log->rowCount();
    if (from >= to)
        return;
    // Rows of a frame or two are decided here; more (a flood while the worker ran) go to a worker too.
    if (to - from > DecidedAtOnce)
        return startScan(from, to, false);
    const LogRows rows = m_log->rows();
    std::vector<int> passing;
    for (int row = from; row < to; ++row) {
        if (m_filter.passes(rows, row))
            passing.push_back(row);
    }
    m_scanned = to;
    append(passing);
}

void LogFilterModel::onRowsInserted(int first, int last) {
    if (!isFiltered()) {
        beginInsertRows({}, first, last);
        m_passed = last + 1;
        endInsertRows();
        return;
    }
    // A worker's end takes these in.
    if (!m_job)
        passNewRows(m_scanned);
}

void LogFilterModel::onReset() {
    beginResetModel();
    m_rows.clear();
    m_passed = m_log->rowCount();
    m_scanned = 0;
    endResetModel();
    // A filter being worked out starts again on the empty log.
    const bool building = m_jobBuilds;
    stopJob();
    if (building)
        startScan(0, 0, true);
}

int LogFilterModel::sourceRow(int row) const {
    if (!isFiltered())
        return row;
    return row >= 0 && row < int(m_rows.size()) ? m_rows[std::size_t(row)] : -1;
}

int LogFilterModel::shownRow(int sourceRow) const {
    if (!isFiltered())
        return sourceRow >= 0 && sourceRow < m_passed ? sourceRow : -1;
    const auto at = std::lower_bound(m_rows.begin(), m_rows.end(), sourceRow);
    return at != m_rows.end() && *at == sourceRow ? int(at - m_rows.begin()) : -1;
}

int LogFilterModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid())
        return 0;
    return isFiltered() ? int(m_rows.size()) : m_passed;
}

int LogFilterModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : MessageLog::ColumnCount;
}

QVariant LogFilterModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    return m_log->data(m_log->index(sourceRow(index.row()), index.column()), role);
}

QVariant LogFilterModel::headerData(int section, Qt::Orientation orientation, int role) const {
    return m_log->headerData(section, orientation, role);
}

Qt::ItemFlags LogFilterModel::flags(const QModelIndex& index) const {
    return index.isValid() ? m_log->flags(m_log->index(sourceRow(index.row()), index.column()))
                           : Qt::NoItemFlags;
}
