// The arithmetic of the cursor read-out: which sample lies under the mouse, the text that names
// it, and where the read-out window goes. Plain values in and out.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

#include "GraphMath.h"

// One measurement held by a graph: a UTC OLE date and a value in the storage unit.
struct GraphSample {
    double time;
    float value;
};

// A sample is snapped to only within this squared distance of the mouse, in twips² (about 316).
inline constexpr long long kReadoutRadiusSquared = 100000;

// The sample nearest to `p` (logical units of `mapping`), searched among the fetched samples and
// the live ones that followed them: of the samples on either side of the time under the mouse, the
// one with the nearer x (the earlier on a tie). Fails when there are no samples, when `p` lies
// outside the plot, or when that sample lies beyond the radius. On success `p` is the sample's
// point and `found` the sample.
bool FindNearestSample(const std::vector<GraphSample>& fetched, const std::vector<GraphSample>& live,
                       const PlotMapping& mapping, POINT& p, GraphSample& found);

// The value part of a read-out: temperatures (codes 1 and 2) signed in the display unit, with two
// decimals when a tick is under one degree of that unit; other quantities with one decimal and
// `unitName`.
std::wstring ReadoutValueText(int type, float value, float ticks, bool fahrenheit, const std::wstring& unitName);

// Where a read-out window of text size `text` goes for anchor `anchor` (both in the parent's
// client coordinates): above and to the right of the anchor, or to its left when it would cross
// the right edge of `bounds`. A window with a leader line is wider by half its height, and the line
// starts on the side facing the anchor.
struct InfoPlacement {
    RECT rect;
    bool pointerLeft;
};
InfoPlacement PlaceInfo(POINT anchor, SIZE text, bool pointer, const RECT& bounds);

// What a read-out window of client size `width` x `height` paints besides its frame: the text's
// origin and, with a pointer, the leader line.
struct InfoLayout {
    POINT text;
    bool hasLine;
    POINT lineFrom, lineTo;
};
InfoLayout LayOutInfo(int width, int height, bool pointer, bool pointerLeft);
