#pragma once

// telvane-run's exit statuses, one per class of outcome; scripts rely on them, so they never change. 2..6
// are the ones the first telvane-run gave; the others follow sysexits(3).
namespace ExitStatus {
enum : int {
    Success = 0,
    ConnectTimeout = 2,
    NoReply = 3,
    LineLost = 4,
    ErrorReply = 5,
    NotSent = 6,
    Usage = 64,        // EX_USAGE
    NotAConfig = 65,   // EX_DATAERR: not a configuration file, or nothing to send
    NoInput = 66,      // EX_NOINPUT: the file is missing or cannot be read
    UnknownHost = 68,  // EX_NOHOST
    Refused = 69,      // EX_UNAVAILABLE: nobody listens at the port
    OutputFailed = 74, // EX_IOERR: standard output or the JUnit file could not be written
    SignalBase = 128,  // + the signal's number
};
} // namespace ExitStatus
