// The window's coloured texts. The colours are those the window has always had (dark blue file
// names, red warnings, blue results); on a dark palette, where they could hardly be read, each is
// made lighter, keeping its hue, until it stands out from the background as well as body text
// should (a contrast of 4.5 to 1).
#pragma once

#include <QColor>
#include <QPalette>

class QWidget;

namespace vintrel {

enum class Tone {
    None,      // the palette's own text colour
    FileName,  // dark blue (0, 0, 128)
    Warning,   // pure red
    Result,    // pure blue
    Advice,    // dark blue (0, 0, 192)
};

// The colour of `tone` on a window painted with `palette`.
QColor toneColour(Tone tone, const QPalette& palette);

// Whether `palette` paints light windows (where the colours stay as they always were).
bool isLightPalette(const QPalette& palette);

// The contrast ratio of two colours, 1 to 21.
double contrastRatio(const QColor& a, const QColor& b);

// Gives the widget's text the tone, and remembers it, so that retone() can give it again when the
// palette changes.
void setTone(QWidget* widget, Tone tone);
// Gives every widget under `root` with a tone its colour for the current palette again.
void retone(QWidget* root);

}  // namespace vintrel
