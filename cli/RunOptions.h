#pragma once

#include "core/scripts/ScriptLine.h"

#include <QString>
#include <QStringList>

#include <optional>

// What telvane-run is to do: the command line read over Setup.ini's settings.
struct RunOptions {
    enum class Input { File, Commands, StandardInput };
    enum class Form { Rows, JsonLines, ReplyOnly, Quiet };

    Input input = Input::File;
    Form form = Form::Rows;
    QString file; // Input::File
    int slot = 0;
    QStringList commands; // Input::Commands
    QString host;
    QString port;
    int replyTimeoutMs = 0;
    int connectTimeoutMs = 5000;
    QString errorText;
    QString junitPath; // "" for none
    // --capture: the log written as the window's capture writes it, in files of Setup.ini's size and number.
    QString captureFolder; // "" for none
    qint64 captureFileBytes = 0;
    int captureFiles = 0;

    // Reads argv. Returns an exit status when the program is to end now (help, version, a usage error).
    static std::optional<int> parse(int argc, char** argv, RunOptions& options);

    // The commands to run, or the exit status (with its message printed) when there are none to be had.
    std::optional<int> loadScript(Script& script) const;
    // The run's name in reports: the file and slot, or where the commands came from.
    QString runName() const;
};
