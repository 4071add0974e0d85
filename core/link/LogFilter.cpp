#include "core/link/LogFilter.h"

#include "core/files/Codec.h"

LogMatcher::LogMatcher(const QString& pattern, Qt::CaseSensitivity sensitivity, bool regularExpression)
    : m_pattern(pattern)
    , m_sensitivity(sensitivity)
    , m_byRegex(regularExpression) {
    if (m_byRegex) {
        m_regex.setPattern(pattern);
        m_regex.setPatternOptions(sensitivity == Qt::CaseInsensitive
                                      ? QRegularExpression::CaseInsensitiveOption
                                      : QRegularExpression::NoPatternOption);
        return;
    }
    bool lossless = false;
    m_bytes = Cp1252::encode(pattern, &lossless);
    m_byBytes = sensitivity == Qt::CaseSensitive && lossless;
}

bool LogMatcher::matchesShown(const QString& shown) const {
    if (m_pattern.isEmpty())
        return true;
    if (m_byRegex)
        return m_regex.isValid() && m_regex.match(shown).hasMatch();
    return shown.contains(m_pattern, m_sensitivity);
}

bool LogMatcher::matches(const LogRows& rows, int row) const {
    if (m_pattern.isEmpty())
        return true;
    // Most rows are shown as stored: their bytes are searched without decoding.
    if (m_byBytes && rows.isPlain(row))
        return rows.view(row).indexOf(m_bytes) >= 0;
    return matchesShown(rows.shownText(row));
}

LogFilter::LogFilter(const LogFilterCriteria& criteria)
    : m_criteria(criteria)
    , m_matcher(criteria.text, criteria.matchCase ? Qt::CaseSensitive : Qt::CaseInsensitive,
                criteria.regularExpression) {
    bool lossless = false;
    m_errorBytes = Cp1252::encode(criteria.errorText, &lossless);
}

bool LogFilter::passes(const LogRows& rows, int row) const {
    const LogFilterCriteria& c = m_criteria;
    const MessageLog::Direction direction = rows.direction(row);
    if (c.direction == LogFilterCriteria::Direction::Set && direction != MessageLog::Direction::Set)
        return false;
    if (c.direction == LogFilterCriteria::Direction::Get && direction != MessageLog::Direction::Get)
        return false;
    if (c.notSentOnly && !rows.notSent(row))
        return false;
    if (c.slowerThanMs >= 0 && rows.latencyMs(row) <= c.slowerThanMs)
        return false;
    if (c.errorRepliesOnly && (direction != MessageLog::Direction::Get || m_errorBytes.isEmpty() ||
                               rows.view(row).indexOf(m_errorBytes) < 0))
        return false;
    return m_matcher.matches(rows, row);
}
