#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// The n-th field (counted from 1) of text split at a one-character separator. Empty fields count (",," holds
// three); a separator of any other length never matches, so the whole text is field 1. With digitsOnly only
// the digits, '-' and '.' of the field are kept. Field 0, a field past the last and a text of 32767
// characters or more give "".
QString GetField(const QString& text, int fieldNumber, bool digitsOnly, const QString& separator);

// The catalogue records of a device type (0, anything else counts as 1) in the current language: the command
// rows, then, with includeQueries, the query rows. Each range ends at its first id without text.
QStringList LoadCommandCatalogue(int deviceType, bool includeQueries);

enum class ParameterType {
    Number,         // "%d": a 32-bit whole number between two bounds
    Text,           // "%s": free text
    RestrictedText, // "%r": letters A-Z/a-z, digits, space, '-' and '_'
    Path,           // "%p": the path of an existing file
    Unknown,        // anything else; asked for as free text
};

// One parameter of a catalogue record, as written in the record.
struct CatalogueParameter {
    static constexpr int DefaultMinimum = 0;
    static constexpr int DefaultMaximum = 1;
    static constexpr int DefaultTextLength = 100;
    static constexpr int DefaultPathLength = 256;
    static constexpr int LongestLength = 32767;

    QString name;
    QString typeText; // "%d", "%s", "%r", "%p" or anything else
    QString limit;

    ParameterType type() const;
    // Bounds of a number: the two '#'-separated parts of the limit, digits only; 0 and 1 where a part is not
    // a number. Both bounds are allowed values.
    int minimum() const;
    int maximum() const;
    // Most characters a text may have: the limit when it is a whole number from 1 to 32767, else 256 for a
    // path and 100 for the other types. An unknown type always allows 100.
    int maxLength() const;
};

// One comma-separated catalogue record: description, note, count, command word, then name, type and limit
// of each parameter. Fields are neither trimmed nor unquoted.
class CatalogueRecord {
public:
    static constexpr int MostParameters = 254; // one page each after the command page, counted in a byte

    CatalogueRecord() = default;
    explicit CatalogueRecord(const QString& text)
        : m_text(text) {}

    const QString& text() const { return m_text; }
    QString description() const { return field(1); }
    QString note() const { return field(2); }
    QString countText() const { return field(3); }
    QString commandWord() const { return field(4); }

    // The count when it is a whole number from 0 to MostParameters; nothing otherwise. The catalogue's own
    // records hold 0, 1 or 2; a larger count asks for parameters past the second at the same field spacing.
    std::optional<int> parameterCount() const;

    // Parameter k (from 1): fields 3k+2, 3k+3 and 3k+4. Absent fields give empty texts.
    CatalogueParameter parameter(int k) const;

private:
    QString field(int number) const;

    QString m_text;
};
