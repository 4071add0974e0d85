#include "gui/Palette.h"

#include <QEvent>
#include <QPalette>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace Palette {

namespace {

// The hues as the light desktop shows them; they already read on Fusion's light grey.
QColor baseColour(Meaning meaning, const QPalette& palette) {
    switch (meaning) {
    case Meaning::Neutral:
        return palette.color(QPalette::WindowText);
    case Meaning::Good:
        return {0, 120, 0};
    case Meaning::Pending:
        return {176, 0, 176};
    case Meaning::Failed:
        return {192, 0, 0};
    case Meaning::Notice:
        return {0, 0, 255};
    case Meaning::Info:
        return palette.color(QPalette::Highlight);
    case Meaning::NotSent:
        return {255, 0, 0};
    case Meaning::ErrorReply:
        return {160, 0, 0};
    }
    return palette.color(QPalette::WindowText);
}

} // namespace

// Moves the lightness away from the other colour until the two read at the minimum contrast; black or white
// when no lightness of the hue does.
QColor readableWith(const QColor& wanted, const QColor& other) {
    if (contrast(wanted, other) >= MinimumContrast)
        return wanted;
    const bool darken = contrast(Qt::black, other) >= contrast(Qt::white, other);
    float hue = 0, saturation = 0, lightness = 0, alpha = 1;
    wanted.toHsl().getHslF(&hue, &saturation, &lightness, &alpha);
    // A small margin above the minimum, so a rounding of the channels never drops below it.
    constexpr double Target = MinimumContrast + 0.1;
    for (int step = 0; step < 100; ++step) {
        lightness = darken ? std::max(0.0F, lightness - 0.01F) : std::min(1.0F, lightness + 0.01F);
        const QColor candidate = QColor::fromHslF(std::max(hue, 0.0F), saturation, lightness);
        if (contrast(candidate, other) >= Target)
            return candidate;
    }
    return darken ? QColor(Qt::black) : QColor(Qt::white);
}

namespace {

class PaletteFollower : public QObject {
public:
    PaletteFollower(QWidget* widget, std::function<void()> apply)
        : QObject(widget)
        , m_apply(std::move(apply)) {
        widget->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        // Once the new palette has reached every widget.
        if (event->type() == QEvent::ApplicationPaletteChange)
            QTimer::singleShot(0, this, m_apply);
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> m_apply;
};

} // namespace

void follow(QWidget* widget, std::function<void()> apply) {
    new PaletteFollower(widget, std::move(apply));
}

double luminance(const QColor& colour) {
    auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    const QColor rgb = colour.toRgb();
    return 0.2126 * channel(rgb.redF()) + 0.7152 * channel(rgb.greenF()) + 0.0722 * channel(rgb.blueF());
}

double contrast(const QColor& a, const QColor& b) {
    // By value: std::minmax of temporaries would hand back references to them.
    const double first = luminance(a);
    const double second = luminance(b);
    return (std::max(first, second) + 0.05) / (std::min(first, second) + 0.05);
}

QColor windowText(Meaning meaning, const QPalette& palette) {
    return readableWith(baseColour(meaning, palette), palette.color(QPalette::Window));
}

QColor listText(Meaning meaning, const QPalette& palette, const QColor& background) {
    const QColor wanted = meaning == Meaning::Neutral || meaning == Meaning::Info
                              ? palette.color(QPalette::Text)
                              : baseColour(meaning, palette);
    return readableWith(wanted, background.isValid() ? background : palette.color(QPalette::Base));
}

QColor markBackground(const QPalette& palette) {
    // Light yellow behind dark text; on a dark list the yellow darkens until the light text reads on it, and
    // the colours of not-sent and error rows are then taken against the mark.
    return readableWith(QColor(255, 236, 139), palette.color(QPalette::Text));
}

QColor blinkBackground(const QPalette& palette) {
    return readableWith(QColor(0, 255, 0), palette.color(QPalette::ButtonText));
}

} // namespace Palette
