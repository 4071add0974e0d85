#include "core/catalogue/CommandCompletion.h"

#include "core/catalogue/CommandBuilder.h"

#include <QSet>

namespace {
QStringView firstWord(QStringView text) {
    qsizetype end = 0;
    while (end < text.size() && !text[end].isSpace())
        ++end;
    return text.left(end);
}

// The history's commands (oldest first) that pass the test, newest first, each once, none already seen.
template <typename Test>
void appendNewestFirst(const QStringList& history, Test passes, QSet<QString>& seen, QStringList& into) {
    for (qsizetype i = history.size() - 1; i >= 0; --i) {
        const QString& command = history.at(i);
        if (passes(command) && !seen.contains(command)) {
            seen.insert(command);
            into.append(command);
        }
    }
}
} // namespace

CommandCompletion::CommandCompletion(const QStringList& records) {
    for (const QString& text : records) {
        const CommandBuilder builder{CatalogueRecord(text)};
        const QString word =
            builder.record().commandWord().section(QLatin1Char(' '), 0, 0, QString::SectionSkipEmpty);
        if (word.isEmpty())
            continue;
        qsizetype index = m_words.indexOf(word);
        if (index < 0) {
            index = m_words.size();
            m_words.append(word);
            m_signatures.append(QStringList());
        }
        m_signatures[index].append(builder.signature());
    }
}

QStringList CommandCompletion::offers(QStringView typed, const QStringList& history) const {
    QStringList offered;
    if (typed.isEmpty())
        return offered;
    if (firstWord(typed).size() == typed.size()) {
        for (const QString& word : m_words) {
            if (word.startsWith(typed, Qt::CaseInsensitive))
                offered.append(word);
        }
    }
    QSet<QString> seen(offered.cbegin(), offered.cend());
    seen.insert(typed.toString());
    appendNewestFirst(
        history, [typed](const QString& command) { return command.startsWith(typed, Qt::CaseInsensitive); },
        seen, offered);
    return offered;
}

QStringList CommandCompletion::search(QStringView text, const QStringList& history) {
    QStringList found;
    QSet<QString> seen;
    appendNewestFirst(
        history, [text](const QString& command) { return command.contains(text, Qt::CaseInsensitive); }, seen,
        found);
    return found;
}

QString CommandCompletion::take(const QString& text, const QString& offer) const {
    if (!isWord(offer))
        return offer;
    return offer + text.mid(firstWord(text).size());
}

QStringList CommandCompletion::hint(QStringView text) const {
    const QStringView word = firstWord(text);
    if (word.isEmpty())
        return {};
    for (qsizetype i = 0; i < m_words.size(); ++i) {
        if (word.compare(m_words.at(i), Qt::CaseInsensitive) == 0)
            return m_signatures.at(i);
    }
    return {};
}
