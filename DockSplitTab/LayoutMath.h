// The arithmetic of the layout, on plain values: where the dock sides and the central area go,
// how sizes move between them, which drop zone a point falls in, the tab strip's height, how a
// pane splits, and the bytes of a view's saved place.
#pragma once
#include <windows.h>
#include <array>

namespace DockSplitTab {

// Dock sides, in the order the frame keeps them.
enum DockSideIndex { SideBottom = 0, SideTop = 1, SideLeft = 2, SideRight = 3, SideCount = 4 };

inline bool IsValidSide(int side) { return side >= 0 && side < SideCount; }
// Top and bottom sides take their size from the central height, left and right from its width.
inline bool IsHorizontalSide(int side) { return side == SideBottom || side == SideTop; }

// Neither a dock side nor the central area is made smaller than this by a size change.
constexpr int kMinimumAreaSize = 24;
// No area is larger than a window can be (window sizes travel as 16-bit values), so that sums of
// sizes stay far from overflowing.
constexpr int kMaximumAreaSize = 32767;

struct DockSideState {
    int size = 0;
    bool visible = false;
    int cornerFlags = 0;  // 2 bits: which corners the side spans (see DockSideRect)
};

struct DockLayout {
    int centralWidth = kMinimumAreaSize;
    int centralHeight = kMinimumAreaSize;
    std::array<DockSideState, SideCount> sides{};
};

// The rectangle of a side in the frame's client area. Corner flags decide who owns a corner:
// top spans the left corner with bit 1 (or when left is hidden) and the right corner with bit 0;
// bottom the left corner with bit 0 and the right with bit 1; left spans the top corner with
// bit 0 and the bottom with bit 1; right the top with bit 1 and the bottom with bit 0.
RECT DockSideRect(const DockLayout& layout, int side);
RECT CentralRect(const DockLayout& layout);

// The frame's client area changed by dx, dy: the central area takes it, each dimension only when
// it stays above the minimum.
void ResizeFrame(DockLayout& layout, int dx, int dy);
// Makes a side visible, taking its size from the central area when that stays above the minimum.
void ShowSide(DockLayout& layout, int side);
// Hides a side and gives its size back to the central area.
void HideSide(DockLayout& layout, int side);
// Grows (delta > 0) or shrinks a side; refused (false) when the side or the central area would
// drop below the minimum. A visible side trades the size with the central area.
bool ResizeSide(DockLayout& layout, int side, int delta);

// The size a side may be given (a stored one, say): at least the minimum, and at most what the
// central area can give up while staying above the minimum. `screenExtent` (the screen's width for the
// left and right sides, its height for the others) bounds it while the frame has no size yet.
// Sizes of 0 or less mean "keep the current size" and are returned as they are.
int BoundSideSize(const DockLayout& layout, int side, int requested, int screenExtent);

// The band (in the frame's client coordinates) within which a side's sizing edge may be dragged:
// the side may shrink to 10 pixels and grow until the central area is 10 pixels. Along the edge
// the band spans the side's own rectangle.
RECT SizingLimits(const DockLayout& layout, int side);
// The size change of a sizing drag from `press` to `release` (both clamped by the caller): the
// movement towards the central area grows the side. Moves of 2 pixels or less count as none.
int SizingDragDelta(int side, POINT press, POINT release);

// A window rectangle for a floating frame around a view's rectangle: the view plus the frame's
// border and caption.
RECT InflatedRect(RECT rc, int dx, int dy);

// Drop zones of a pane: 0 none, 1 the tab strip (join as a tab), 2 top half, 3 right half,
// 4 left half, 5 bottom half (split).
enum DropZone { ZoneNone = 0, ZoneTabs = 1, ZoneTop = 2, ZoneRight = 3, ZoneLeft = 4, ZoneBottom = 5 };

// The zone of `pt` for a pane whose tab strip and client part are given (same coordinates).
// Over the client part the nearest edge wins: top against bottom (top only when strictly
// nearer), then left, then right, each only when strictly nearer than the best so far.
int FindDropZone(const RECT& tabStrip, const RECT& client, POINT pt);
// The outline shown for a zone, from the pane's client part: the whole part or one half.
RECT ZoneOutline(const RECT& client, int zone);

// How a split for a zone is made: a vertical bar (left/right parts) or a horizontal one, and
// whether the new pane is the first part (left or top).
struct SplitOrder {
    bool verticalBar;
    bool newPaneFirst;
};
SplitOrder SplitOrderForZone(int zone);

// The height of a tab strip for a font of ascent `ascent` pixels.
int TabStripHeight(int ascent);

// A view's saved place.
enum PlaceKind { PlaceBack = 0, PlaceCentral = 1, PlaceDocked = 2, PlaceFloating = 3 };

struct StateRecord {
    int kind = PlaceDocked;
    int side = SideLeft;
    int size = -1;  // -1: the side's current size
    RECT rect{};    // floating frame's window rectangle, screen coordinates
};

constexpr DWORD kStateRecordSize = 28;
using StateBytes = std::array<BYTE, kStateRecordSize>;

// A stored floating rectangle made fit for the screen `screen`: no larger than it, at least the
// minimum area in each direction, and moved onto it. An empty or inverted rectangle gives an
// empty one (nothing to float at).
RECT FitFloatRect(const RECT& stored, const RECT& screen);

// Seven little-endian 32-bit integers: kind, side, size, left, top, right, bottom.
StateBytes EncodeState(const StateRecord& record);
// A record of another length counts as absent: docked at the left with the side's current size.
StateRecord DecodeState(const BYTE* bytes, DWORD size);

}  // namespace DockSplitTab
