#pragma once

#include <QColor>

#include <functional>

class QPalette;
class QWidget;

// The colours that carry a meaning (the state line, the run's notice, the info texts, log rows that were not
// sent or hold the error text, find marks, blinking slot buttons). Each keeps its hue but is made light or
// dark enough for the palette in force, so text in it reads at MinimumContrast (WCAG's 4.5:1 for normal
// text) on a light desktop and on a dark one alike.
namespace Palette {

constexpr double MinimumContrast = 4.5;

// WCAG's relative luminance (0 black .. 1 white) and contrast ratio (1 .. 21).
double luminance(const QColor& colour);
double contrast(const QColor& a, const QColor& b);

// The wanted colour, or the nearest of its hue and saturation that reads at MinimumContrast with the other
// one; either of the two may be the text and the other its background.
QColor readableWith(const QColor& wanted, const QColor& other);

enum class Meaning {
    Neutral,    // the state line while closed: the window's own text colour
    Good,       // connected, port open: green
    Pending,    // on the way: magenta
    Failed,     // an error, the peer closed: red
    Notice,     // the run's notice: blue
    Info,       // the info texts at the foot of each tab: the highlight colour
    NotSent,    // a command that did not go out: red
    ErrorReply, // a reply holding the error text: dark red
};

// Text of that meaning on the window's background.
QColor windowText(Meaning meaning, const QPalette& palette);
// Text of that meaning in a list (on its base colour, or on another background such as a find mark).
QColor listText(Meaning meaning, const QPalette& palette, const QColor& background);
// The background of a find mark in a list: yellow, dark or light as the list's text needs.
QColor markBackground(const QPalette& palette);
// The colour a slot button blinks in while a slot mode is pending: green, as the button's text needs.
QColor blinkBackground(const QPalette& palette);

// Runs `apply` again whenever the desktop's palette changes while the widget lives (a switch to a dark
// theme), so colours set from the palette follow it.
void follow(QWidget* widget, std::function<void()> apply);

} // namespace Palette
