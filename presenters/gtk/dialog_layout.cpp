#include "dialog_layout.h"

#include <algorithm>
#include <cmath>

namespace rezive::gtk {

int HorizontalPixels(const FontUnits& units, int dialogUnits) {
    return static_cast<int>(std::lround(dialogUnits * units.charWidth / 4));
}

int VerticalPixels(const FontUnits& units, int dialogUnits) {
    return static_cast<int>(std::lround(dialogUnits * units.charHeight / 8));
}

PixelRect ToPixels(const FontUnits& units, int x, int y, int width, int height) {
    // Edges are converted rather than sizes, so that controls that touch in the template still
    // touch on screen whatever the rounding.
    const int left = HorizontalPixels(units, x);
    const int top = VerticalPixels(units, y);
    return {left, top, HorizontalPixels(units, x + width) - left,
            VerticalPixels(units, y + height) - top};
}

void AlignUpDownRight(PixelRect* buddy, PixelRect* upDown) {
    const int width = std::clamp(upDown->width, 0, buddy->width);
    const int right = buddy->x + buddy->width;
    buddy->width -= width;
    *upDown = {right - width, buddy->y, width, buddy->height};
}

std::string MnemonicText(const std::string& text) {
    std::string out;
    out.reserve(text.size() + 2);
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '_') {
            out += "__";
        } else if (c == '&' && i + 1 < text.size() && text[i + 1] == '&') {
            out += '&';
            ++i;
        } else if (c == '&') {
            // A trailing "&" marks nothing and is dropped, as the native dialogs do.
            if (i + 1 < text.size()) out += '_';
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace rezive::gtk
