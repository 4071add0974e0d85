#pragma once

#include <QPushButton>

// A push button whose caption wraps onto further lines at blanks, as the classic toolkit's command buttons
// do: the tall buttons of the fixed layout (the slot buttons, "Speichern -->") hold captions wider than
// the button.
class WrappingButton : public QPushButton {
    Q_OBJECT

public:
    using QPushButton::QPushButton;

    // Where the caption is drawn: inside the button's frame, less half the style's button margin each side.
    QRect captionRect() const;
    // The text flags the caption is drawn with.
    int captionFlags() const;

protected:
    void paintEvent(QPaintEvent* event) override;
};
