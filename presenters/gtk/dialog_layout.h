// Where a dialog's controls go on screen, and how their texts read, with no toolkit involved:
// dialog units to pixels, the up-down control's place beside its buddy, mnemonic markers.
#pragma once

#include <string>

namespace rezive::gtk {

// The dialog font's average character width and height in pixels: one dialog unit is a quarter
// of the width across and an eighth of the height down.
struct FontUnits {
    double charWidth = 6;
    double charHeight = 13;
};

struct PixelRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool operator==(const PixelRect&) const = default;
};

int HorizontalPixels(const FontUnits& units, int dialogUnits);
int VerticalPixels(const FontUnits& units, int dialogUnits);
PixelRect ToPixels(const FontUnits& units, int x, int y, int width, int height);

// An up-down control sits at the right edge of its buddy edit, inside the edit's box (the edit
// gives up the room), whatever the template put it at. Both rectangles change.
void AlignUpDownRight(PixelRect* buddy, PixelRect* upDown);

// "&Gain" marks G as the key that reaches the control; "&&" is a plain "&". The toolkit marks
// with "_", so a literal "_" doubles.
std::string MnemonicText(const std::string& text);

}  // namespace rezive::gtk
