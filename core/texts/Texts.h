#pragma once

#include "core/texts/TextId.h"

#include <QHash>
#include <QString>
#include <QStringList>

// The string table: German under id N, English under N + 10000.
class StringTable {
public:
    // The table compiled into the program.
    static const StringTable& builtIn();

    // Parses the tab-separated source form: "id<TAB>German<TAB>English" per line; lines starting with '#'
    // and blank lines are skipped. Malformed lines are reported through errors (line number and reason).
    static StringTable parse(const QString& source, QStringList* errors = nullptr);

    QString text(int id) const { return m_texts.value(id); }
    bool contains(int id) const { return m_texts.contains(id); }
    qsizetype size() const { return m_texts.size(); }
    // The German ids, ascending.
    QList<int> ids() const;

private:
    QHash<int, QString> m_texts;
};

constexpr int EnglishOffset = 10000;

// 0 for German, 10000 for English; set each time the language is applied.
int LanguageOffset();
void setLanguageOffset(int offset);

// The text under id + LanguageOffset, or "" when there is none.
QString GetText(TextId id);

// Fills the "%%" marks of text from left to right: the first always (even with an empty value), each further
// one only while values are non-empty. A mark inside a value put in is not filled. Changes text in place and
// returns it. At most eleven values are used.
QString FillPlaceholders(QString& text, const QStringList& values);

// GetText and FillPlaceholders in one step, for a text used once.
QString filledText(TextId id, const QStringList& values);
