#include "gui/text_tones.h"

#include <QApplication>
#include <QVariant>
#include <QWidget>

#include <cmath>

namespace vintrel {

namespace {

constexpr const char* kToneProperty = "vintrelTone";
constexpr double kReadableContrast = 4.5;

double linear(double channel) {
    return channel <= 0.03928 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}

double luminance(const QColor& c) {
    return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
}

QColor partColour(Tone tone) {
    switch (tone) {
        case Tone::FileName:
            return QColor(0, 0, 128);
        case Tone::Warning:
            return QColor(255, 0, 0);
        case Tone::Result:
            return QColor(0, 0, 255);
        case Tone::Advice:
            return QColor(0, 0, 192);
        case Tone::None:
            break;
    }
    return {};
}

// The palette a widget inherits, before its own colours are set.
QPalette inheritedPalette(const QWidget* widget) {
    return widget->parentWidget() != nullptr ? widget->parentWidget()->palette() : QApplication::palette();
}

void applyTone(QWidget* widget, Tone tone) {
    const QPalette base = inheritedPalette(widget);
    QPalette p = widget->palette();
    const QColor colour = tone == Tone::None ? base.color(QPalette::WindowText) : toneColour(tone, base);
    p.setColor(QPalette::WindowText, colour);
    p.setColor(QPalette::Text, tone == Tone::None ? base.color(QPalette::Text) : colour);
    widget->setPalette(p);
}

}  // namespace

double contrastRatio(const QColor& a, const QColor& b) {
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

bool isLightPalette(const QPalette& palette) {
    return palette.color(QPalette::Window).lightness() >= 128;
}

QColor toneColour(Tone tone, const QPalette& palette) {
    if (tone == Tone::None) {
        return palette.color(QPalette::WindowText);
    }
    QColor colour = partColour(tone);
    if (isLightPalette(palette)) {
        return colour;
    }
    // Lighter by steps, keeping the hue: red becomes a light red, blue a light blue.
    const QColor background = palette.color(QPalette::Window);
    float h = 0, s = 0, l = 0, a = 0;
    colour.getHslF(&h, &s, &l, &a);
    while (contrastRatio(colour, background) < kReadableContrast && l < 0.95f) {
        l = std::min(0.95f, l + 0.05f);
        colour = QColor::fromHslF(h, s, l, a);
    }
    return colour;
}

void setTone(QWidget* widget, Tone tone) {
    widget->setProperty(kToneProperty, static_cast<int>(tone));
    applyTone(widget, tone);
}

void retone(QWidget* root) {
    for (QWidget* w : root->findChildren<QWidget*>()) {
        const QVariant tone = w->property(kToneProperty);
        if (tone.isValid()) {
            applyTone(w, static_cast<Tone>(tone.toInt()));
        }
    }
}

}  // namespace vintrel
