#include "DeviceInterpreter.h"

#include <QLatin1String>

#include <span>

namespace {

using Field = DeviceInterpreter::Field;
using ProductionMode = DeviceInterpreter::ProductionMode;

enum class ParamType {
    Address,    // the device address; its range depends on the device type
    Number,     // whole number within [min, max]
    Text,       // any text up to maxLength characters
    Restricted, // letters, digits, blank, '-' and '_', up to maxLength characters
    Path        // a file path, optionally in double quotes, up to maxLength characters
};

struct Param {
    const char* name;
    ParamType type;
    qint64 min = 0;
    qint64 max = 0;
    qsizetype maxLength = 0;
};

enum class Action {
    SetUnit,   // first parameter is the address, second the value for that address
    SetGroup,  // the value for every address of the device group
    SetUser,   // the temporary user name
    LoadList,  // a new device list
    QueryMode, // the production mode
    QueryUnit, // the value of one address
    QueryGroup // the value of the device group
};

enum class ModeRule { Any, Running, Off };

constexpr Param address{"device address", ParamType::Address};

constexpr Param number(const char* name, qint64 min, qint64 max) {
    return {name, ParamType::Number, min, max, 0};
}
constexpr Param text(const char* name, qsizetype maxLength) {
    return {name, ParamType::Text, 0, 0, maxLength};
}
constexpr Param restricted(const char* name, qsizetype maxLength) {
    return {name, ParamType::Restricted, 0, 0, maxLength};
}
constexpr Param path(const char* name) {
    return {name, ParamType::Path, 0, 0, 256};
}

constexpr qint64 MaxSerial = 2147483646;

} // namespace

struct DeviceInterpreter::Command {
    const char* word;
    Action action;
    Field field;
    ModeRule mode;
    int paramCount;
    std::array<Param, 2> params;
};

namespace {

using Command = DeviceInterpreter::Command;

// Short names keep each command on one line of the tables.
constexpr Param serialNumber = number("serial number", 0, MaxSerial);
constexpr Param partNumber = number("part number", 0, MaxSerial);
constexpr Param additional1 = restricted("additional parameter 1", 32);
constexpr Param additional2 = restricted("additional parameter 2", 32);
using A = Action;
using F = Field;
using M = ModeRule;

// "SM" is handled apart: its argument is part of the command word.
// clang-format off
const Command varnel60Commands[] = {
    {"SP",   A::SetUnit,   F::Program,          M::Running, 2, {address, number("program number", 0, 31)}},
    {"CA",   A::SetUnit,   F::BatchCaption,     M::Running, 2, {address, restricted("batch caption", 63)}},
    {"CB",   A::SetUnit,   F::SerialNumber,     M::Running, 2, {address, serialNumber}},
    {"UF",   A::SetUnit,   F::BackupFile,       M::Off,     2, {address, path("file path")}},
    {"UN",   A::SetUser,   F::Count,            M::Running, 1, {text("user name", 20)}},
    {"XC",   A::SetUnit,   F::DeviceCommand,    M::Running, 2, {address, text("command parameter", 20000)}},
    {"RM",   A::SetUnit,   F::Remark,           M::Running, 2, {address, text("remark", 20)}},
    {"GM",   A::QueryMode, F::Count,            M::Any,     0, {}},
};

const Command varnel70Commands[] = {
    {"SP",   A::SetUnit,    F::Program,          M::Any, 2, {address, number("program number", 0, 7)}},
    {"SC",   A::SetUnit,    F::ComponentCaption, M::Any, 2, {address, restricted("component caption", 32)}},
    {"SN",   A::SetUnit,    F::PartNumber,       M::Any, 2, {address, partNumber}},
    {"SP1",  A::SetUnit,    F::Additional1,      M::Any, 2, {address, additional1}},
    {"SP2",  A::SetUnit,    F::Additional2,      M::Any, 2, {address, additional2}},
    {"SB",   A::SetUnit,    F::ChargeCaption,    M::Any, 2, {address, restricted("charge caption", 32)}},
    {"SR",   A::SetUnit,    F::Remark,           M::Any, 2, {address, text("remark", 64)}},
    {"UF",   A::SetUnit,    F::BackupFile,       M::Off, 2, {address, path("file path")}},
    {"LD",   A::LoadList,   F::Count,            M::Off, 1, {path("file path")}},
    {"SO",   A::SetUnit,    F::DeviceCommand,    M::Any, 2, {address, text("command parameter", 20000)}},
    {"SU",   A::SetUser,    F::Count,            M::Any, 1, {text("user name", 32)}},
    {"SCA",  A::SetGroup,   F::ComponentCaption, M::Any, 1, {text("component caption", 32)}},
    {"SNA",  A::SetGroup,   F::PartNumber,       M::Any, 1, {number("part number", -1, MaxSerial)}},
    {"SP1A", A::SetGroup,   F::Additional1,      M::Any, 1, {additional1}},
    {"SP2A", A::SetGroup,   F::Additional2,      M::Any, 1, {additional2}},
    {"SBA",  A::SetGroup,   F::ChargeCaption,    M::Any, 1, {restricted("charge caption", 32)}},
    {"SRA",  A::SetGroup,   F::Remark,           M::Any, 1, {text("remark", 64)}},
    {"GM",   A::QueryMode,  F::Count,            M::Any, 0, {}},
    {"GP",   A::QueryUnit,  F::Program,          M::Any, 1, {address}},
    {"GC",   A::QueryUnit,  F::ComponentCaption, M::Any, 1, {address}},
    {"GN",   A::QueryUnit,  F::PartNumber,       M::Any, 1, {address}},
    {"GP1",  A::QueryUnit,  F::Additional1,      M::Any, 1, {address}},
    {"GP2",  A::QueryUnit,  F::Additional2,      M::Any, 1, {address}},
    {"GB",   A::QueryUnit,  F::ChargeCaption,    M::Any, 1, {address}},
    {"GR",   A::QueryUnit,  F::Remark,           M::Any, 1, {address}},
    {"GCA",  A::QueryGroup, F::ComponentCaption, M::Any, 0, {}},
    {"GBA",  A::QueryGroup, F::ChargeCaption,    M::Any, 0, {}},
    {"GNA",  A::QueryGroup, F::PartNumber,       M::Any, 0, {}},
    {"GP1A", A::QueryGroup, F::Additional1,      M::Any, 0, {}},
    {"GP2A", A::QueryGroup, F::Additional2,      M::Any, 0, {}},
    {"GRA",  A::QueryGroup, F::Remark,           M::Any, 0, {}},
};
// clang-format on

std::span<const Command> commandsOf(int deviceType) {
    if (deviceType == 0)
        return varnel60Commands;
    return varnel70Commands;
}

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t';
}

qsizetype skipBlanks(QStringView text, qsizetype pos) {
    while (pos < text.size() && isBlank(text[pos]))
        ++pos;
    return pos;
}

qsizetype skipWord(QStringView text, qsizetype pos) {
    while (pos < text.size() && !isBlank(text[pos]))
        ++pos;
    return pos;
}

// The word as it may appear in a reply: printable ASCII only, and short.
QString echoable(QStringView word) {
    QString out;
    for (QChar c : word.left(DeviceInterpreter::MaxEchoedWordLength)) {
        const char16_t u = c.unicode();
        out += (u > 0x20 && u < 0x7f) ? c : QChar(u'?');
    }
    if (word.size() > DeviceInterpreter::MaxEchoedWordLength)
        out += QLatin1String("...");
    if (out.isEmpty())
        out = QStringLiteral("?");
    return out;
}

QString reply(QStringView word, const QString& result) {
    return word.toString() + QLatin1String(": ") + result;
}

QString error(QStringView word, const QString& reason) {
    return reply(word, QLatin1String("ERROR ") + reason);
}

QString wrongCount(QStringView word) {
    return error(word, QStringLiteral("wrong parameter count"));
}

// An optional '-' and decimal digits; nothing else, not even blanks.
bool isWholeNumber(QStringView token) {
    const QStringView digits = token.startsWith(u'-') ? token.mid(1) : token;
    if (digits.isEmpty())
        return false;
    for (QChar c : digits) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return true;
}

bool isRestrictedChar(QChar c) {
    const char16_t u = c.unicode();
    return (u >= u'A' && u <= u'Z') || (u >= u'a' && u <= u'z') || (u >= u'0' && u <= u'9') || u == u' ' ||
           u == u'-' || u == u'_';
}

QString rangeText(qint64 min, qint64 max) {
    return QString::number(min) + QLatin1String("..") + QString::number(max);
}

QString tooLong(QLatin1String name, qsizetype maxLength) {
    return name + QLatin1String(" too long (at most ") + QString::number(maxLength) +
           QLatin1String(" characters)");
}

// Checks one parameter value and returns its normalised form, or the reason why it is refused.
struct Checked {
    QString value;
    QString problem;
};

Checked check(const Param& param, QStringView raw, int deviceType) {
    const QLatin1String name(param.name);
    qint64 min = param.min;
    qint64 max = param.max;
    switch (param.type) {
    case ParamType::Address:
        min = 0;
        max = deviceType == 0 ? 99 : 255;
        [[fallthrough]];
    case ParamType::Number: {
        if (!isWholeNumber(raw))
            return {{}, name + QLatin1String(" is not a whole number")};
        // Conversion fails only beyond 64 bits, which is out of every range.
        bool ok = false;
        const qint64 value = raw.toLongLong(&ok, 10);
        if (!ok || value < min || value > max)
            return {{}, name + QLatin1String(" out of range ") + rangeText(min, max)};
        return {QString::number(value), {}};
    }
    case ParamType::Text:
        if (raw.size() > param.maxLength)
            return {{}, tooLong(name, param.maxLength)};
        return {raw.toString(), {}};
    case ParamType::Restricted:
        if (raw.size() > param.maxLength)
            return {{}, tooLong(name, param.maxLength)};
        for (QChar c : raw) {
            if (!isRestrictedChar(c))
                return {{}, name + QLatin1String(" may hold only letters, digits, blank, '-' and '_'")};
        }
        return {raw.toString(), {}};
    case ParamType::Path: {
        QStringView unquoted = raw;
        if (unquoted.startsWith(u'"')) {
            if (unquoted.size() < 2 || !unquoted.endsWith(u'"'))
                return {{}, name + QLatin1String(" lacks its closing quote")};
            unquoted = unquoted.mid(1, unquoted.size() - 2);
        }
        if (unquoted.contains(u'"'))
            return {{}, name + QLatin1String(" holds a quote inside")};
        if (unquoted.trimmed().isEmpty())
            return {{}, name + QLatin1String(" is empty")};
        if (unquoted.size() > param.maxLength)
            return {{}, tooLong(name, param.maxLength)};
        return {unquoted.toString(), {}};
    }
    }
    return {{}, QStringLiteral("unsupported parameter")};
}

QString defaultValue(Field field) {
    switch (field) {
    case Field::Program:
    case Field::SerialNumber:
    case Field::PartNumber:
        return QStringLiteral("0");
    default:
        return {};
    }
}

} // namespace

DeviceInterpreter::DeviceInterpreter(int deviceType)
    : m_deviceType(deviceType == 0 ? 0 : 1) {
    for (std::size_t i = 0; i < FieldCount; ++i)
        m_group[i] = defaultValue(static_cast<Field>(i));
}

QString DeviceInterpreter::deviceName() const {
    return m_deviceType == 0 ? QStringLiteral("Varnel 60") : QStringLiteral("Varnel 70");
}

QString DeviceInterpreter::execute(QStringView command) {
    const qsizetype wordStart = skipBlanks(command, 0);
    const qsizetype wordEnd = skipWord(command, wordStart);
    const QStringView word = command.mid(wordStart, wordEnd - wordStart);
    if (word.isEmpty())
        return error(u"?", QStringLiteral("empty command"));
    if (command.size() > MaxCommandLength)
        return error(echoable(word), QStringLiteral("command too long"));

    const QStringView rest = command.mid(wordEnd);
    if (word == u"SM")
        return setMode(word, rest);
    for (const Command& candidate : commandsOf(m_deviceType)) {
        if (word == QLatin1String(candidate.word))
            return run(candidate, word, rest);
    }
    return error(echoable(word), QStringLiteral("unknown command"));
}

QString DeviceInterpreter::setMode(QStringView word, QStringView rest) {
    const qsizetype argStart = skipBlanks(rest, 0);
    const qsizetype argEnd = skipWord(rest, argStart);
    const QStringView arg = rest.mid(argStart, argEnd - argStart);
    if (arg.isEmpty() || skipBlanks(rest, argEnd) != rest.size())
        return wrongCount(word);

    const QString quitArg = m_deviceType == 0 ? QStringLiteral("0") : QStringLiteral("-1");
    const QString fullWord = word.toString() + u' ' + arg.toString();
    if (arg == u"1") {
        m_mode = ProductionMode::Running;
        return reply(fullWord, QStringLiteral("OK"));
    }
    if (arg == u"2" || arg == quitArg) {
        if (m_mode == ProductionMode::Off)
            return error(fullWord, QStringLiteral("production mode is off"));
        m_mode = arg == u"2" ? ProductionMode::Paused : ProductionMode::Off;
        return reply(fullWord, QStringLiteral("OK"));
    }
    return error(word, QLatin1String("production mode must be ") + quitArg + QLatin1String(", 1 or 2"));
}

QString DeviceInterpreter::run(const Command& command, QStringView word, QStringView rest) {
    // Numbers are single words; a text parameter (always the last one) takes the rest of the line.
    std::array<QString, 2> values;
    qsizetype pos = 0;
    for (int i = 0; i < command.paramCount; ++i) {
        const Param& param = command.params[static_cast<std::size_t>(i)];
        pos = skipBlanks(rest, pos);
        if (pos == rest.size())
            return wrongCount(word);
        const bool takesRest = i == command.paramCount - 1 &&
                               (param.type == ParamType::Text || param.type == ParamType::Restricted ||
                                param.type == ParamType::Path);
        const qsizetype end = takesRest ? rest.size() : skipWord(rest, pos);
        const Checked checked = check(param, rest.mid(pos, end - pos), m_deviceType);
        if (!checked.problem.isEmpty())
            return error(word, checked.problem);
        values[static_cast<std::size_t>(i)] = checked.value;
        pos = end;
    }
    if (skipBlanks(rest, pos) != rest.size())
        return wrongCount(word);

    if (command.mode == ModeRule::Running && m_mode != ProductionMode::Running)
        return error(word, QStringLiteral("production mode is not running"));
    if (command.mode == ModeRule::Off && m_mode != ProductionMode::Off)
        return error(word, QStringLiteral("production mode is not off"));

    const auto field = static_cast<std::size_t>(command.field);
    const QString ok = QStringLiteral("OK");
    switch (command.action) {
    case Action::SetUnit:
        m_units[static_cast<std::size_t>(values[0].toInt())][field] = values[1];
        return reply(word, ok);
    case Action::SetGroup:
        m_group[field] = values[0];
        for (auto& unit : m_units)
            unit[field].reset();
        return reply(word, ok);
    case Action::SetUser:
        m_userName = values[0];
        return reply(word, ok);
    case Action::LoadList:
        m_deviceList = values[0];
        return reply(word, ok);
    case Action::QueryMode: {
        static const char* const modeNames[2][3] = {{"0", "1", "2"}, {"-1", "1", "2"}};
        return reply(word, QLatin1String(modeNames[m_deviceType][static_cast<int>(m_mode)]));
    }
    case Action::QueryUnit:
        return reply(word, unitValue(values[0].toInt(), command.field));
    case Action::QueryGroup:
        return reply(word, m_group[field]);
    }
    return error(word, QStringLiteral("unsupported command"));
}

QString DeviceInterpreter::unitValue(int address, Field field) const {
    const auto index = static_cast<std::size_t>(field);
    const std::optional<QString>& own = m_units[static_cast<std::size_t>(address)][index];
    return own ? *own : m_group[index];
}
