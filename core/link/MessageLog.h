#pragma once

#include "core/files/Platform.h"

#include <QAbstractTableModel>
#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QString>
#include <QTime>
#include <QTimer>

#include <array>
#include <memory>

class LogRows;

// The message log behind lsvMsg: one row per sent command ("Set") and per arrival of data ("Get"), with its
// UTC time. A device may flood it and it grows without limit, so a row keeps its bytes as received or sent,
// one byte per byte in an append-only arena, plus a small fixed record, and is decoded only when shown. A row
// is stored at once (size() counts it), but views learn of new rows at most once per frame: the first row
// after a hand-over starts a frame timer, and when it fires all rows of the frame go over in one insert.
// Rows never move once stored, so a worker thread may read a snapshot (LogRows) while this one appends.
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
    // Removes every row. Snapshots taken before keep theirs.
    void clear();
    // Takes the column captions from the current language.
    void retranslate();
    // Hands every stored row to the views now, without waiting for the frame.
    void flush();
    // Rows stored so far, including those the views do not have yet.
    int size() const;
    // The rows stored so far, for reading on any thread.
    LogRows rows() const;

    // A row's content, for copy, export and find; row from 0 to size() - 1.
    Direction direction(int row) const;
    qint64 utcMsecs(int row) const;
    QDateTime utcTime(int row) const;
    QByteArray bytes(int row) const;
    QString text(int row) const;
    qsizetype byteCount(int row) const;
    bool notSent(int row) const;
    QString notSentReason(int row) const;
    int latencyMs(int row) const;

    // Whether the row's text as stored holds the needle.
    bool contains(int row, const QString& needle, Qt::CaseSensitivity sensitivity) const;

    // 14:05:09:007
    static QString formatTime(QTime time);
    static QString directionText(Direction direction);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    friend class LogRows;
    struct Store;

    void startFrame();

    std::shared_ptr<Store> m_store;
    std::array<QString, ColumnCount> m_headers;
    int m_shown = 0; // rows the views have been told of
    QTimer m_frame;
    const UtcClock* m_clock = &UtcClock::system();
};

// Rows [0, size()) of a log as they stood when it was taken. Reading it is safe on any thread while the
// log's own thread appends, and it keeps its rows when the log is cleared meanwhile.
class LogRows {
public:
    LogRows();
    // The log as it stands; on the log's own thread.
    LogRows(const MessageLog& log); // NOLINT(google-explicit-constructor): a log reads as its rows
    // The same store with the rows appended since, as far as they are published; on any thread.
    LogRows latest() const;

    int size() const { return m_size; }
    MessageLog::Direction direction(int row) const;
    qint64 utcMsecs(int row) const;
    QDateTime utcTime(int row) const;
    QByteArray bytes(int row) const;
    QByteArrayView view(int row) const;
    QString text(int row) const;
    // The text as a cell shows it: control characters and backslashes escaped.
    QString shownText(int row) const;
    qsizetype byteCount(int row) const;
    bool notSent(int row) const;
    QString notSentReason(int row) const;
    int latencyMs(int row) const;
    // Whether the shown text is the stored bytes decoded as they are (no escape, not UTF-8), so a search
    // may compare bytes.
    bool isPlain(int row) const;

private:
    friend class MessageLog;
    LogRows(std::shared_ptr<const MessageLog::Store> store, int size);

    std::shared_ptr<const MessageLog::Store> m_store;
    int m_size = 0;
};
