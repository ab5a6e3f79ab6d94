#pragma once
// Points, rectangles and the screen the windows are laid out on. Coordinates are device
// pixels; dialog templates are in dialog units and converted here.

#include <algorithm>

namespace tidy::ui {

struct Point {
    int x = 0, y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool Contains(Point p) const {
        return p.x >= left && p.x < right && p.y >= top && p.y < bottom;
    }
    Point Center() const { return {left + Width() / 2, top + Height() / 2}; }
    void Offset(int dx, int dy) {
        left += dx, right += dx;
        top += dy, bottom += dy;
    }
    friend bool operator==(const Rect&, const Rect&) = default;
};

// What the windows need to know of the device's screen: its size in pixels and the heights of
// the bars around the dialog area. The defaults describe a standard 240 x 320 handheld.
struct ScreenMetrics {
    int width = 240;         // system metric 0
    int height = 320;        // system metric 1
    int captionHeight = 26;  // the navigation bar at the top (system metric 4)
    int menuHeight = 26;     // the menu bar with the soft keys at the bottom (system metric 15)
    int borderHeight = 1;    // system metric 6
    int dlgFrameHeight = 3;  // system metric 8

    // The pixel scale of the screen against the 240-pixel standard (2 on a 480-wide VGA device).
    int Scale() const { return std::max(1, std::min(width, height) / 240); }

    // Dialog units to pixels, as the dialog manager converts them for the "System" 8 font:
    // horizontal base unit 7, vertical base unit 16, times the screen scale.
    int DluToPixelsX(int dlu) const { return dlu * 7 * Scale() / 4; }
    int DluToPixelsY(int dlu) const { return dlu * 16 * Scale() / 8; }
    Rect DluToPixels(const Rect& dlu) const {
        return {DluToPixelsX(dlu.left), DluToPixelsY(dlu.top), DluToPixelsX(dlu.right),
                DluToPixelsY(dlu.bottom)};
    }

    // Every dialog fills the screen between the navigation bar and the menu bar.
    Rect DialogArea() const { return {0, captionHeight, width, height - menuHeight}; }

    // The pixel width a line of text takes in the list and menu font; front ends that measure
    // for real may differ by a few pixels, which only changes column widths slightly.
    int TextWidth(size_t chars) const { return static_cast<int>(chars) * 6 * Scale(); }
};

}  // namespace tidy::ui
