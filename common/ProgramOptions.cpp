#include "common/ProgramOptions.h"

#include <cstdio>

namespace {
void print(FILE* stream, const QString& text) {
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stream);
    std::fflush(stream);
}
} // namespace

QString telvaneVersion() {
    return QStringLiteral(TELVANE_VERSION);
}

ProgramOptions::ProgramOptions(const QString& program, const QString& usage, const QString& description,
                               const ProgramTexts& texts)
    : m_program(program)
    , m_usage(usage)
    , m_texts(texts)
    , m_help({QStringLiteral("h"), QStringLiteral("help")}, texts.help)
    , m_version({QStringLiteral("v"), QStringLiteral("version")}, texts.version) {
    m_parser.setApplicationDescription(description);
    m_parser.addOption(m_help);
    m_parser.addOption(m_version);
}

std::optional<int> ProgramOptions::parse(int argc, const char* const* argv, int positionalMin,
                                         int positionalMax) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    if (arguments.isEmpty())
        arguments << m_program;
    if (!m_parser.parse(arguments))
        return usageError(m_parser.errorText());
    // Help and version win over a wrong number of arguments: users type them to find out what is right.
    if (m_parser.isSet(m_help)) {
        print(stdout, helpText());
        return 0;
    }
    if (m_parser.isSet(m_version)) {
        print(stdout, versionText() + u'\n');
        return 0;
    }
    const QStringList positional = m_parser.positionalArguments();
    if (positional.size() > positionalMax)
        return usageError(m_texts.unexpectedArgument.arg(positional.at(positionalMax)));
    if (positional.size() < positionalMin)
        return usageError(m_texts.missingArguments);
    return std::nullopt;
}

int ProgramOptions::usageError(const QString& message) const {
    print(stderr,
          m_program + QStringLiteral(": ") + message + u'\n' + m_texts.tryHelp.arg(m_program) + u'\n');
    return m_usageStatus;
}

QString ProgramOptions::helpText() const {
    // Qt's usage line names argv[0] (a build path) or a placeholder; ours names the program.
    QString text = m_parser.helpText();
    text.remove(0, text.indexOf(u'\n') + 1);
    text.prepend(m_texts.usage + u' ' + m_program + u' ' + m_usage + u'\n');
    if (!m_epilogue.isEmpty())
        text += u'\n' + m_epilogue;
    if (!text.endsWith(u'\n'))
        text += u'\n';
    return text;
}

QString ProgramOptions::versionText() const {
    return m_program + u' ' + telvaneVersion();
}
