#pragma once

#include <QRect>

namespace pelvanto {

// Where the tag editor's splitter may stand and how the folder tree, the file list and the
// tab strip share the window for a splitter position. All values in twips.
namespace splitter {

constexpr int DefaultLeft = 3600; // the bar's left edge on first use
constexpr int Margin = 120;

// While dragging, the bar follows the mouse only strictly between these.
bool MoveAllowed(int t);
// The bar's left edge when the mouse is released at t: held within 2410 .. 5410.
int DropLeft(int t);

struct Layout {
    QRect tree, bar, list, tabs;
    int frameLeft = 0; // left edge of both tag frames
};

// The layout for the bar's mouse position t (its left edge + 90) in a window of the given
// inner size, the tab strip being tabsHeight high at the bottom.
Layout LayoutFor(int t, int innerWidth, int innerHeight, int tabsHeight);

} // namespace splitter
} // namespace pelvanto
