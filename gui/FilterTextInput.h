#pragma once

#include <QString>

class QLineEdit;

// True when text holds only what a restricted text may: 'A'-'Z', 'a'-'z', '0'-'9', space, '-' and '_'.
bool isRestrictedText(const QString& text);

// Keeps a restricted text box within its characters and length: a change that brings in anything else, or
// makes the text longer than maxLength, is undone by putting previousText back with the caret at the end.
// Otherwise previousText takes the box's text.
void FilterTextInput(QLineEdit* box, int maxLength, QString& previousText);
