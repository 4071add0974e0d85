#include "core/scripts/QuickDialConfig.h"

#include "core/files/Codec.h"
#include "core/files/Profile.h"
#include "core/files/Settings.h"
#include "core/texts/Texts.h"

#include <QFileInfo>

namespace {

const QChar Separator = QLatin1Char('#');
// A character some writers put into the lists; it is never part of a command.
const QChar StrayCharacter = QChar(0x14);

QString key(const char* name, int slot) {
    return QLatin1String(name) + QString::number(slot);
}

QString readValue(const ProfileFile& profile, const QString& name) {
    return profile.value(Settings::Section, name).value_or(QString());
}

bool isBlank(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\v');
}

// Reading trims blanks and removes one pair of surrounding quotes; a value that would lose something that
// way is written inside one extra pair of double quotes, which reading takes off again.
QString protectedValue(const QString& value) {
    if (value.isEmpty())
        return value;
    const bool edgeBlank = isBlank(value.front()) || isBlank(value.back());
    const bool quotedLook = value.size() >= 2 &&
                            (value.front() == QLatin1Char('"') || value.front() == QLatin1Char('\'')) &&
                            value.back() == value.front();
    return edgeBlank || quotedLook ? QLatin1Char('"') + value + QLatin1Char('"') : value;
}

} // namespace

QuickDialSlots loadQuickDialFile(const QString& path, QuickDialFileState* state) {
    const ProfileFile profile = ProfileFile::load(path);
    bool anyKey = false;
    for (int n = 1; n <= QuickDialSlotCount && !anyKey; ++n) {
        for (const char* name : {"Command", "Descript", "Label", "Note"})
            anyKey = anyKey || profile.contains(Settings::Section, key(name, n));
    }
    const QuickDialFileState found = anyKey                    ? QuickDialFileState::Loaded
                                     : profile.exists()        ? QuickDialFileState::NoQuickDialKeys
                                     : QFileInfo::exists(path) ? QuickDialFileState::Unreadable
                                                               : QuickDialFileState::Missing;
    if (state)
        *state = found;
    QuickDialSlots memory;
    if (found != QuickDialFileState::Loaded)
        return memory;
    for (int n = 1; n <= QuickDialSlotCount; ++n) {
        QuickDialSlot& slot = memory[slotIndex(n)];
        // Values are taken whole: the list of a long slot must survive a load and the next save unchanged.
        const QStringList commands =
            readValue(profile, key("Command", n)).remove(StrayCharacter).split(Separator);
        const QStringList descriptions =
            readValue(profile, key("Descript", n)).remove(StrayCharacter).split(Separator);
        for (qsizetype j = 0; j < commands.size() && !commands.at(j).isEmpty(); ++j)
            slot.lines.append(ScriptLine{commands.at(j), descriptions.value(j)});
        slot.description = readValue(profile, key("Note", n));
        slot.caption = readValue(profile, key("Label", n));
    }
    return memory;
}

bool saveQuickDialFile(const QString& path, const QuickDialSlots& memory, QString* error) {
    ProfileFile profile = ProfileFile::load(path);
    for (int n = 1; n <= QuickDialSlotCount; ++n) {
        const QuickDialSlot& slot = memory[slotIndex(n)];
        QStringList commands;
        QStringList descriptions;
        for (const ScriptLine& line : slot.lines) {
            commands.append(line.command);
            descriptions.append(line.description);
        }
        const QString joined = commands.join(Separator);
        const bool used = !joined.isEmpty();
        const QString joinedDescriptions = descriptions.join(Separator);
        // The file is Windows-1252: anything else would come back as '?', and a command would come back as
        // a different command. The old file is kept rather than written with the slot changed.
        if (used && !(Cp1252::canEncode(joined) && Cp1252::canEncode(joinedDescriptions) &&
                      Cp1252::canEncode(slot.caption) && Cp1252::canEncode(slot.description))) {
            if (error) {
                QString reason = GetText(TextId::SlotNotEncodable);
                *error = FillPlaceholders(reason, {QString::number(n)});
            }
            return false;
        }
        profile.setValue(Settings::Section, key("Command", n), used ? protectedValue(joined) : QString());
        profile.setValue(Settings::Section, key("Descript", n),
                         used ? protectedValue(joinedDescriptions) : QString());
        profile.setValue(Settings::Section, key("Label", n), used ? protectedValue(slot.caption) : QString());
        profile.setValue(Settings::Section, key("Note", n),
                         used ? protectedValue(slot.description) : QString());
    }
    return profile.save(error);
}
