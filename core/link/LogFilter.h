#pragma once

#include "core/link/MessageLog.h"

#include <QByteArray>
#include <QRegularExpression>
#include <QString>

// What find and the filter look for in a row: its text as a cell shows it (escaped, so "\r\n" finds line
// ends), as plain text or a regular expression, with or without case. An empty pattern matches every row.
class LogMatcher {
public:
    LogMatcher() = default;
    LogMatcher(const QString& pattern, Qt::CaseSensitivity sensitivity, bool regularExpression = false);

    bool isEmpty() const { return m_pattern.isEmpty(); }
    // False for a regular expression that does not compile; it then matches nothing.
    bool isValid() const { return !m_byRegex || m_regex.isValid(); }
    bool matches(const LogRows& rows, int row) const;
    bool matchesShown(const QString& shown) const;

private:
    QString m_pattern;
    Qt::CaseSensitivity m_sensitivity = Qt::CaseInsensitive;
    QRegularExpression m_regex;
    QByteArray m_bytes; // a case-sensitive plain search compares Windows-1252 bytes of plain rows
    bool m_byRegex = false;
    bool m_byBytes = false;
};

// Which rows the filter lets through; every condition set must hold.
struct LogFilterCriteria {
    enum class Direction { Any, Set, Get };
    QString text;
    bool matchCase = false;
    bool regularExpression = false;
    Direction direction = Direction::Any;
    bool notSentOnly = false;
    // Received rows holding the error text (case matters, on the text as received); an empty error text
    // lets no row through.
    bool errorRepliesOnly = false;
    QString errorText;
    // Rows with a latency above this; a negative value does not filter.
    int slowerThanMs = -1;

    bool isEmpty() const {
        return text.isEmpty() && direction == Direction::Any && !notSentOnly && !errorRepliesOnly &&
               slowerThanMs < 0;
    }
    bool operator==(const LogFilterCriteria&) const = default;
};

class LogFilter {
public:
    explicit LogFilter(const LogFilterCriteria& criteria = {});
    bool passes(const LogRows& rows, int row) const;
    const LogFilterCriteria& criteria() const { return m_criteria; }

private:
    LogFilterCriteria m_criteria;
    LogMatcher m_matcher;
    QByteArray m_errorBytes;
};
