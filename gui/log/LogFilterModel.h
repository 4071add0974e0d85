#pragma once

#include "core/link/LogFilter.h"

#include <QAbstractTableModel>

#include <memory>
#include <vector>

class LogJob;
class MessageLog;

// The rows of the log the view shows: all of them, or those the filter lets through. Without a filter it
// passes the log through row for row; with one it keeps the numbers of the passing rows, built on a worker
// over a snapshot (so ten million rows never stall the window) and extended at once as rows arrive.
class LogFilterModel : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit LogFilterModel(MessageLog* log, QObject* parent = nullptr);
    ~LogFilterModel() override;

    MessageLog* log() const { return m_log; }
    void setCriteria(const LogFilterCriteria& criteria);
    // The filter shown, or the one being worked out.
    const LogFilterCriteria& criteria() const { return m_jobBuilds ? m_building : m_filter.criteria(); }
    const LogFilterCriteria& shownCriteria() const { return m_filter.criteria(); }
    bool isFiltered() const { return !m_filter.criteria().isEmpty(); }
    // A new filter's rows are still being worked out; the view shows the last result meanwhile.
    bool isBuilding() const { return m_jobBuilds; }
    // A worker decides on rows (a new filter's, or many that came at once).
    bool isBusy() const { return m_job != nullptr; }

    int sourceRow(int row) const;
    // The view's row of a log row, or -1 when the filter hides it.
    int shownRow(int sourceRow) const;
    // The log rows shown, ascending; with no filter, nothing (read: all rows).
    const std::vector<int>& shownRows() const { return m_rows; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

signals:
    // A new filter's rows are shown (or the filter went).
    void filterApplied();

private:
    void onRowsInserted(int first, int last);
    void onReset();
    void stopJob();
    // Decides on log rows [from, to) on a worker: a new filter's rows (build), or more rows of this one.
    void startScan(int from, int to, bool build);
    void append(const std::vector<int>& passing);
    void passNewRows(int from);

    MessageLog* m_log;
    LogFilter m_filter;           // the one whose rows are shown
    LogFilterCriteria m_building; // the one being worked out
    std::vector<int> m_rows;      // with a filter: the log rows shown
    int m_scanned = 0;            // log rows the filter has decided on
    int m_passed = 0;             // without a filter: the log rows the views were told of
    LogJob* m_job = nullptr;
    bool m_jobBuilds = false;
};
