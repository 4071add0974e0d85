#pragma once

#include <QList>
#include <QString>

#include <array>

// One command of a script: the text that is sent and its description.
struct ScriptLine {
    QString command;
    QString description;
    friend bool operator==(const ScriptLine&, const ScriptLine&) = default;
};

using Script = QList<ScriptLine>;

// One of the eight quick-dial slots. caption is what the slot's run button shows (after loading a slot
// without a label that is the "empty" text), description what its description box shows.
struct QuickDialSlot {
    QString caption;
    QString description;
    Script lines;
    friend bool operator==(const QuickDialSlot&, const QuickDialSlot&) = default;
};

constexpr int QuickDialSlotCount = 8;
using QuickDialSlots = std::array<QuickDialSlot, QuickDialSlotCount>;
// Where slot n (1..8) sits in an array of the eight.
constexpr std::size_t slotIndex(int n) {
    return static_cast<std::size_t>(n - 1);
}
