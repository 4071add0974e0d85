#include "core/catalogue/Catalogue.h"

#include "core/texts/Texts.h"

#include <cmath>
#include <limits>

namespace {

// The position counter of the record format is 16-bit: texts this long are not taken apart at all.
constexpr qsizetype LongestFieldText = 32766;

const QString RecordSeparator = QStringLiteral(",");
const QString BoundSeparator = QStringLiteral("#");

bool isDigitsOnlyCharacter(QChar c) {
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('-') || c == QLatin1Char('.');
}

// A number as the records write it: decimal, optionally signed and with a fraction, rounded half to even
// to a whole number in the 32-bit range. Anything else is not a number.
std::optional<int> wholeNumber(const QString& text) {
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    const double rounded = std::nearbyint(value);
    if (rounded < std::numeric_limits<int>::min() || rounded > std::numeric_limits<int>::max())
        return std::nullopt;
    return static_cast<int>(rounded);
}

void appendRecords(TextId first, QStringList& records) {
    // Ids are 16-bit; the table ends long before that, but a table without a gap must not loop forever.
    for (int id = static_cast<int>(first); id <= std::numeric_limits<qint16>::max(); ++id) {
        const QString text = GetText(static_cast<TextId>(id));
        if (text.isEmpty())
            return;
        records.append(text);
    }
}

} // namespace

QString GetField(const QString& text, int fieldNumber, bool digitsOnly, const QString& separator) {
    if (text.size() > LongestFieldText || fieldNumber < 1)
        return {};
    // Only a single character can ever match; the end of the text always closes the last field.
    const bool canSplit = separator.size() == 1;
    const QChar separatorChar = canSplit ? separator.front() : QChar();
    QString current;
    int counter = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i <= n; ++i) {
        if (i == n || (canSplit && text.at(i) == separatorChar)) {
            ++counter;
            if (counter == fieldNumber)
                return current;
            current.clear();
        } else if (!digitsOnly || isDigitsOnlyCharacter(text.at(i))) {
            current.append(text.at(i));
        }
    }
    return {};
}

QStringList LoadCommandCatalogue(int deviceType, bool includeQueries) {
    const bool first = deviceType == 0;
    QStringList records;
    appendRecords(first ? TextId::CatalogueCommands0 : TextId::CatalogueCommands1, records);
    if (includeQueries)
        appendRecords(first ? TextId::CatalogueQueries0 : TextId::CatalogueQueries1, records);
    return records;
}

ParameterType CatalogueParameter::type() const {
    if (typeText == QLatin1String("%d"))
        return ParameterType::Number;
    if (typeText == QLatin1String("%s"))
        return ParameterType::Text;
    if (typeText == QLatin1String("%r"))
        return ParameterType::RestrictedText;
    if (typeText == QLatin1String("%p"))
        return ParameterType::Path;
    return ParameterType::Unknown;
}

int CatalogueParameter::minimum() const {
    return wholeNumber(GetField(limit, 1, true, BoundSeparator)).value_or(DefaultMinimum);
}

int CatalogueParameter::maximum() const {
    return wholeNumber(GetField(limit, 2, true, BoundSeparator)).value_or(DefaultMaximum);
}

int CatalogueParameter::maxLength() const {
    // What a limit of an unknown type means is unknown: such a value is taken as plain free text.
    if (type() == ParameterType::Unknown)
        return DefaultTextLength;
    const std::optional<int> length = wholeNumber(limit);
    if (length && *length >= 1 && *length <= LongestLength)
        return *length;
    return type() == ParameterType::Path ? DefaultPathLength : DefaultTextLength;
}

std::optional<int> CatalogueRecord::parameterCount() const {
    const std::optional<int> count = wholeNumber(countText());
    if (!count || *count < 0 || *count > MostParameters)
        return std::nullopt;
    return count;
}

CatalogueParameter CatalogueRecord::parameter(int k) const {
    return {field(3 * k + 2), field(3 * k + 3), field(3 * k + 4)};
}

QString CatalogueRecord::field(int number) const {
    return GetField(m_text, number, false, RecordSeparator);
}
