#pragma once

#include "core/files/Profile.h"
#include "core/scripts/ScriptLine.h"

#include <QString>

#include <array>

// The quick-dial memory as a configuration file: section SETTINGS, per slot n the keys Command<n> and
// Descript<n> (the commands and their descriptions joined with '#'), Label<n> and Note<n>.

// A slot's row counters are one byte wide: a load takes at most this many commands into a slot.
constexpr int QuickDialLoadLimit = 253;

// What a load found.
enum class QuickDialFileState {
    Loaded,          // the section SETTINGS holds at least one of the 32 keys; missing ones give empty parts
    Missing,         // no such file: empty memory
    Unreadable,      // the file exists but cannot be read, or was refused (too large, not a regular file)
    NoQuickDialKeys, // not a configuration file: none of the 32 keys in the section SETTINGS
};

// What a load read, for an exit save that keeps what others changed since, and for its messages.
struct QuickDialFileRead {
    QString refusal;                            // why an Unreadable file was not read
    ProfileLines lines;                         // the 32 keys' lines as found
    std::array<bool, QuickDialSlotCount> cut{}; // slots whose list held more than QuickDialLoadLimit
};

// Reads all eight memory. A slot's caption is its label as stored (possibly empty). Memory that is not
// Loaded is empty. Only the first QuickDialLoadLimit commands of a slot are taken (and decoded), so a file of
// millions of commands costs little more memory than its own text.
QuickDialSlots loadQuickDialFile(const QString& path, QuickDialFileState* state = nullptr,
                                 QuickDialFileRead* read = nullptr);

// Writes all eight memory into the file, keeping its other sections and keys, in one atomic replace. A slot
// without commands is written as four empty keys. Returns false with the reason when the file could not be
// written, or when a slot holds characters outside Windows-1252, which the file cannot hold; the old file is
// then left whole.
bool saveQuickDialFile(const QString& path, const QuickDialSlots& memory, QString* error = nullptr);

// The exit save of a window that may share the file: reads it again and writes, whole, each slot that differs
// from atStart (the memory as the start-up load left it); the keys of the other slots as
// Settings::exitSaveWrites says, except that a slot cut at load is never written unchanged, so the file
// keeps its whole list.
bool saveQuickDialChanges(const QString& path, const QuickDialSlots& memory, const QuickDialSlots& atStart,
                          const QuickDialFileRead& read, QString* error = nullptr);
