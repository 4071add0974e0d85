#include "core/catalogue/CommandBuilder.h"

#include "core/texts/Texts.h"

CommandBuilder::CommandBuilder(const CatalogueRecord& record)
    : m_record(record)
    , m_count(record.parameterCount())
    , m_command(record.commandWord()) {}

std::optional<CatalogueParameter> CommandBuilder::parameter() const {
    if (m_page < 2)
        return std::nullopt;
    return m_record.parameter(m_page - 1);
}

CommandBuilder::Step CommandBuilder::next(const QString& value) {
    if (const std::optional<CatalogueParameter> asked = parameter()) {
        if (asked->type() != ParameterType::Number && value.isEmpty())
            return Step::Refused;
        m_command += QLatin1Char(' ') + value;
    }
    if (accepts())
        return Step::Accepted;
    ++m_page;
    return Step::Next;
}

QString CommandBuilder::hint(const CatalogueParameter& parameter) {
    switch (parameter.type()) {
    case ParameterType::Number:
        return filledText(TextId::ParameterRange,
                          {QString::number(parameter.minimum()), QString::number(parameter.maximum())});
    case ParameterType::Path:
        return filledText(TextId::ParameterPathLength, {QString::number(parameter.maxLength())});
    case ParameterType::Text:
    case ParameterType::RestrictedText:
    case ParameterType::Unknown:
        break;
    }
    return filledText(TextId::ParameterTextLength, {QString::number(parameter.maxLength())});
}

QString CommandBuilder::refusal(const CatalogueParameter& parameter) {
    return filledText(TextId::ParameterMissing, {parameter.name});
}

QString CommandBuilder::signature() const {
    QString line = m_record.commandWord();
    const int count = m_count.value_or(0);
    for (int k = 1; k <= count; ++k) {
        const CatalogueParameter p = m_record.parameter(k);
        const QString name = p.name.trimmed();
        const QString length = QString::number(p.maxLength());
        QString shown;
        switch (p.type()) {
        case ParameterType::Number:
            shown = filledText(TextId::HintNumber,
                               {name, QString::number(p.minimum()), QString::number(p.maximum())});
            break;
        case ParameterType::RestrictedText:
            shown = filledText(TextId::HintRestrictedText, {name, length});
            break;
        case ParameterType::Path:
            shown = filledText(TextId::HintPath, {name, length});
            break;
        case ParameterType::Text:
        case ParameterType::Unknown:
            shown = filledText(TextId::HintText, {name, length});
            break;
        }
        line += QLatin1Char(' ') + shown;
    }
    return line;
}
