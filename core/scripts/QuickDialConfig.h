#pragma once

#include "core/scripts/ScriptLine.h"

#include <QString>

// The quick-dial memory as a configuration file: section SETTINGS, per slot n the keys Command<n> and
// Descript<n> (the commands and their descriptions joined with '#'), Label<n> and Note<n>.

// What a load found.
enum class QuickDialFileState {
    Loaded,          // the section SETTINGS holds at least one of the 32 keys; missing ones give empty parts
    Missing,         // no such file: empty memory
    Unreadable,      // the file exists but cannot be read
    NoQuickDialKeys, // not a configuration file: none of the 32 keys in the section SETTINGS
};

// Reads all eight memory. A slot's caption is its label as stored (possibly empty). Memory that is not
// Loaded is empty.
QuickDialSlots loadQuickDialFile(const QString& path, QuickDialFileState* state = nullptr);

// Writes all eight memory into the file, keeping its other sections and keys, in one atomic replace. A slot
// without commands is written as four empty keys. Returns false with the reason when the file could not be
// written, or when a slot holds characters outside Windows-1252, which the file cannot hold; the old file is
// then left whole.
bool saveQuickDialFile(const QString& path, const QuickDialSlots& memory, QString* error = nullptr);
