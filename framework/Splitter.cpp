#include "Splitter.h"

#include <algorithm>

SplitterRects ComputeSplitterRects(const RECT& area, bool vertical, int pos, int barThickness) {
    SplitterRects r{area, area, area};
    const int start = vertical ? area.left : area.top;
    const int extent = vertical ? area.right - area.left : area.bottom - area.top;
    pos = std::clamp(pos, 0, std::max(0, extent - barThickness));
    const int barStart = start + pos;
    const int barEnd = std::min(barStart + barThickness, start + extent);
    if (vertical) {
        r.first.right = barStart;
        r.bar.left = barStart;
        r.bar.right = barEnd;
        r.second.left = barEnd;
    } else {
        r.first.bottom = barStart;
        r.bar.top = barStart;
        r.bar.bottom = barEnd;
        r.second.top = barEnd;
    }
    return r;
}

int ProportionalSplitterPos(int pos, int oldExtent, int newExtent) {
    if (oldExtent <= 0) return pos;
    return ::MulDiv(pos, newExtent, oldExtent);
}
