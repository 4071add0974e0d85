#pragma once

#include <QString>

// The error text a run looks for in replies (the settings tab's field, Setup.ini's ErrorText, telvane-run's
// --error-text): one rule for all three.
namespace ErrorText {

// A reply is one line of Windows-1252 text, so an error text with a control character or a character that
// code page cannot carry could never be found. "" (no check) is allowed.
bool isAllowed(const QString& text);

} // namespace ErrorText
