#pragma once

#include "core/catalogue/Catalogue.h"

#include <QString>

#include <optional>

// Builds one command of the catalogue page by page, as the assistant leads the user: the command page
// (page 1) shows the command word, then page k + 1 asks for parameter k. Each value taken appends a blank
// and the value; nothing is quoted or trimmed.
class CommandBuilder {
public:
    enum class Step {
        Refused,  // an empty text: the page stays, nothing is appended
        Next,     // the value is taken and the next page is shown
        Accepted, // the last page's value is taken: command() is the whole command
    };

    CommandBuilder() = default;
    explicit CommandBuilder(const CatalogueRecord& record);

    const CatalogueRecord& record() const { return m_record; }
    int page() const { return m_page; }
    // The record's count; nothing when it is not a usable number (the command word alone is offered).
    std::optional<int> parameterCount() const { return m_count; }
    // Whether the current page is the last one, so its button accepts.
    bool accepts() const { return !m_count || *m_count < m_page; }
    // The parameter the current page asks for; nothing on the command page.
    std::optional<CatalogueParameter> parameter() const;
    // The command built so far.
    const QString& command() const { return m_command; }

    // Takes the current page's value and moves on. A number page takes the value as a decimal number; a
    // text, path or restricted page refuses an empty text. The command page takes nothing.
    Step next(const QString& value);
    Step next(int number) { return next(QString::number(number)); }

    // What the page's hint says about a parameter: the range of a number, the length of a text or path.
    static QString hint(const CatalogueParameter& parameter);
    // The refusal of an empty value for a parameter.
    static QString refusal(const CatalogueParameter& parameter);
    // The command with its parameters in one line, for the command line's hint: "SP <name: 0 to 99> ...".
    QString signature() const;

private:
    CatalogueRecord m_record;
    std::optional<int> m_count;
    int m_page = 1;
    QString m_command;
};
