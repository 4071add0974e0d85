#pragma once

#include "core/files/Platform.h"

#include <QAbstractTableModel>
#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QHash>
#include <QString>
#include <QTime>
#include <QTimer>

#include <array>
#include <deque>
#include <memory>
#include <vector>

// The message log behind lsvMsg: one row per sent command ("Set") and per arrival of data ("Get"), with its
// UTC time. A device may flood it and it grows without limit, so a row keeps its bytes as received or sent,
// one byte per byte in an append-only arena, plus a small fixed record, and is decoded only when shown. A row
// is stored at once (size() counts it), but views learn of new rows at most once per frame: the first row
// after a hand-over starts a frame timer, and when it fires all rows of the frame go over in one insert.
class MessageLog : public QAbstractTableModel {
    Q_OBJECT

public:
    // The latency column is optional; views hide it unless asked for.
    enum Column { TimeColumn, ModeColumn, ParameterColumn, LatencyColumn, ColumnCount };
    enum class Direction : quint8 { Set, Get };
    enum Role {
        NotSentRole = Qt::UserRole + 1, // bool: a "Set" row whose command did not go out
        TextRole, // QString: the whole text; DisplayRole shows only the start of a long one
    };
    static constexpr int NoLatency = -1;
    static constexpr int FrameMs = 16;
    // Characters of a long text a cell shows; one line could never show more.
    static constexpr qsizetype ShownLength = 1000;

    explicit MessageLog(QObject* parent = nullptr);
    ~MessageLog() override;

    // Stores a row and returns its number. latencyMs: for a reply, the time since the command it answers.
    int append(Direction direction, const QDateTime& utc, QByteArrayView bytes, int latencyMs = NoLatency);
    // A row from text: its Windows-1252 bytes, or, for a text that code page cannot carry (a command that
    // was refused for it), the text as typed.
    int appendText(Direction direction, const QDateTime& utc, const QString& text);
    // The clock that tells today's date for rows given a time of day only; not owned.
    void setClock(const UtcClock* clock) { m_clock = clock; }
    // The same at a time of day on today's UTC date; a non-empty reason marks the row as not sent.
    int append(Direction direction, QTime utcTime, const QString& text, const QString& notSentReason = {});
    // Marks a "Set" row as not sent, with the reason as tooltip.
    void markNotSent(int row, const QString& reason);
    // Removes every row.
    void clear();
    // Hands every stored row to the views now, without waiting for the frame.
    void flush();
    // Rows stored so far, including those the views do not have yet.
    int size() const { return static_cast<int>(m_rows.size()); }

    // A row's content, for copy, export and find; row from 0 to size() - 1.
    Direction direction(int row) const { return rowAt(row).direction(); }
    qint64 utcMsecs(int row) const { return rowAt(row).utcMsecs; }
    QDateTime utcTime(int row) const;
    QByteArray bytes(int row) const;
    QString text(int row) const;
    qsizetype byteCount(int row) const { return rowAt(row).length; }
    bool notSent(int row) const { return rowAt(row).flags & NotSentFlag; }
    QString notSentReason(int row) const { return m_notSentReasons.value(row); }
    int latencyMs(int row) const { return rowAt(row).latencyMs; }

    // The first row from `from` on (backward: from `from` down) whose text holds the needle, wrapping round
    // the end; -1 when no row does.
    int find(const QString& needle, int from, bool forward, Qt::CaseSensitivity sensitivity) const;
    bool contains(int row, const QString& needle, Qt::CaseSensitivity sensitivity) const;

    // 14:05:09:007
    static QString formatTime(QTime time);
    static QString directionText(Direction direction);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool setHeaderData(int section, Qt::Orientation orientation, const QVariant& value,
                       int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    enum Flag : quint8 { GetFlag = 1, NotSentFlag = 2, Utf8Flag = 4 };
    struct Row {
        qint64 utcMsecs = 0; // since the epoch
        quint32 chunk = 0;
        quint32 offset = 0;
        quint32 length = 0;
        qint32 latencyMs = NoLatency;
        quint8 flags = 0;
        Direction direction() const { return flags & GetFlag ? Direction::Get : Direction::Set; }
    };
    struct Needle;

    const Row& rowAt(int row) const { return m_rows[static_cast<std::size_t>(row)]; }
    QByteArrayView view(const Row& row) const;
    QString decode(const Row& row, qsizetype maxBytes) const;
    bool rowContains(const Row& row, const Needle& needle) const;
    int store(const Row& record, QByteArrayView bytes);

    std::deque<Row> m_rows;
    // Small rows share chunks; a large one has a chunk of its own, so no chunk wastes more than a little.
    std::vector<std::unique_ptr<char[]>> m_chunks;
    qsizetype m_sharedUsed = 0;
    qsizetype m_sharedChunk = -1;
    QHash<int, QString> m_notSentReasons; // failed sends are rare: keep their reasons aside
    std::array<QString, ColumnCount> m_headers;
    int m_shown = 0; // rows the views have been told of
    QTimer m_frame;
    const UtcClock* m_clock = &UtcClock::system();
};
