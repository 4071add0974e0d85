#pragma once

#include <QAbstractTableModel>
#include <QHash>
#include <QString>
#include <QTime>

#include <array>
#include <deque>

// The message log behind lsvMsg: one row per sent command ("Set") and per arrival of data ("Get"), with
// its UTC time of day. It grows without limit, so a row is a few bytes plus its text, appending is O(1),
// and views learn of new rows in as few inserts as possible: the first row of an event-loop pass is handed
// over at once (so the caller can select it right away), rows that follow in the same pass are handed over
// together when the pass ends, before the views repaint.
class MessageLog : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { TimeColumn, ModeColumn, ParameterColumn, ColumnCount };
    enum class Direction : quint8 { Set, Get };
    enum Role {
        NotSentRole = Qt::UserRole + 1, // bool: a "Set" row whose command did not go out
    };

    explicit MessageLog(QObject* parent = nullptr);

    // Appends a row and returns its number. A non-empty notSentReason marks the row as not sent (the reason
    // as tooltip).
    int append(Direction direction, QTime utcTime, const QString& text, const QString& notSentReason = {});
    // Marks a "Set" row as not sent, with the reason as tooltip.
    void markNotSent(int row, const QString& reason);
    // Removes every row.
    void clear();
    // Hands every appended row to the views now.
    void flush();
    // Rows appended so far, including those the views do not have yet.
    int size() const { return static_cast<int>(m_rows.size()); }

    // 14:05:09:007
    static QString FormatTime(QTime time);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool setHeaderData(int section, Qt::Orientation orientation, const QVariant& value,
                       int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    void endPass();

    struct Row {
        QString text;
        qint32 msecs = 0; // since the start of the UTC day
        Direction direction = Direction::Set;
        bool notSent = false;
    };
    std::deque<Row> m_rows;
    QHash<int, QString> m_notSentReasons; // failed sends are rare: keep their reasons aside
    std::array<QString, ColumnCount> m_headers;
    int m_shown = 0;         // rows the views have been told of
    bool m_passOpen = false; // a row was handed over in this pass; the rest wait for its end
};
