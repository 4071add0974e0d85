#include "core/texts/Texts.h"

#include "core/texts/Resources.h"

#include <QFile>

#include <algorithm>

namespace {
int g_languageOffset = 0;
constexpr qsizetype MaxPlaceholderValues = 11;
} // namespace

const StringTable& StringTable::builtIn() {
    static const StringTable table = [] {
        ensureResources();
        QFile file(QStringLiteral(":/telvane/strings.tsv"));
        if (!file.open(QIODevice::ReadOnly))
            return StringTable{};
        return parse(QString::fromUtf8(file.readAll()));
    }();
    return table;
}

StringTable StringTable::parse(const QString& source, QStringList* errors) {
    StringTable table;
    const QStringList lines = source.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QString line = lines.at(i);
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const QStringList cells = line.split(QLatin1Char('\t'));
        bool ok = false;
        const int id = cells.value(0).toInt(&ok);
        if (!ok || cells.size() != 3 || id < 0 || id >= EnglishOffset) {
            if (errors)
                errors->append(QStringLiteral("line %1: expected id<TAB>German<TAB>English").arg(i + 1));
            continue;
        }
        if (table.m_texts.contains(id) && errors)
            errors->append(QStringLiteral("line %1: id %2 appears twice").arg(i + 1).arg(id));
        table.m_texts.insert(id, cells.at(1));
        table.m_texts.insert(id + EnglishOffset, cells.at(2));
    }
    return table;
}

int LanguageOffset() {
    return g_languageOffset;
}

void setLanguageOffset(int offset) {
    g_languageOffset = offset;
}

QString GetText(TextId id) {
    return StringTable::builtIn().text(static_cast<int>(id) + g_languageOffset);
}

QString filledText(TextId id, const QStringList& values) {
    QString text = GetText(id);
    return FillPlaceholders(text, values);
}

QList<int> StringTable::ids() const {
    QList<int> ids;
    for (auto it = m_texts.cbegin(); it != m_texts.cend(); ++it) {
        if (it.key() < EnglishOffset)
            ids.append(it.key());
    }
    std::sort(ids.begin(), ids.end());
    return ids;
}

QString FillPlaceholders(QString& text, const QStringList& values) {
    static const QString mark = QStringLiteral("%%");
    const qsizetype count = std::min(values.size(), MaxPlaceholderValues);
    qsizetype at = text.indexOf(mark);
    // Each search starts behind the value just put in, so a value holding "%%" (a path, say) stays whole.
    for (qsizetype i = 0; at >= 0 && (i == 0 || i < count); ++i) {
        const QString value = values.value(i); // the first mark is filled even without a value
        if (i > 0 && value.isEmpty())
            break;
        text.replace(at, mark.size(), value);
        at = text.indexOf(mark, at + value.size());
    }
    return text;
}
