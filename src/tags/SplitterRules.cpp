#include "SplitterRules.h"

namespace pelvanto::splitter {

namespace {
constexpr int kLowest = 2500;
constexpr int kHighest = 5500;
constexpr int kBarOffset = 90;
// A list wider than this leaves the tab strip to sit under it alone.
constexpr int kWideList = 8775;
} // namespace

bool MoveAllowed(int t) {
    return t > kLowest && t < kHighest;
}

int DropLeft(int t) {
    if (t < kLowest)
        return kLowest - kBarOffset;
    if (t > kHighest)
        return kHighest - kBarOffset;
    return t - kBarOffset;
}

Layout LayoutFor(int t, int innerWidth, int innerHeight, int tabsHeight) {
    Layout l;
    const int top = Margin;
    const int tabsTop = innerHeight - Margin - tabsHeight;
    const int listLeft = t + Margin;
    const int listWidth = innerWidth - listLeft - Margin;
    l.list = QRect(listLeft, top, listWidth, tabsTop - 240 - top);
    int treeBottom = 0;
    if (listWidth > kWideList) {
        l.tabs = QRect(listLeft, tabsTop, listWidth, tabsHeight);
        treeBottom = innerHeight - Margin;
    } else {
        l.tabs = QRect(Margin, tabsTop, innerWidth - 2 * Margin, tabsHeight);
        treeBottom = tabsTop - 240;
    }
    // The tree ends where the bar begins, so the bar never covers its scroll bar.
    l.tree = QRect(Margin, top, t - kBarOffset - Margin, treeBottom - top);
    l.bar = QRect(t - kBarOffset, top, kBarOffset + Margin, treeBottom - top);
    l.frameLeft = l.tabs.left() + 480;
    return l;
}

} // namespace pelvanto::splitter
