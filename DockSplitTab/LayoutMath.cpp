#include "LayoutMath.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace DockSplitTab {

namespace {
// The size a side occupies in the layout: its size when visible, else nothing.
int Extent(const DockLayout& layout, int side) {
    const DockSideState& s = layout.sides[side];
    return s.visible ? s.size : 0;
}
bool Visible(const DockLayout& layout, int side) { return layout.sides[side].visible; }
bool Flag(const DockLayout& layout, int side, int bit) { return (layout.sides[side].cornerFlags >> bit) & 1; }

int& CentralDimension(DockLayout& layout, int side) {
    return IsHorizontalSide(side) ? layout.centralHeight : layout.centralWidth;
}

// Sums and differences of sizes are taken in 64 bits and the result bounded, so that no size
// coming from outside (a stored one, a message) can wrap around.
int BoundArea(long long size) { return static_cast<int>(std::clamp<long long>(size, 0, kMaximumAreaSize)); }
}  // namespace

RECT DockSideRect(const DockLayout& layout, int side) {
    const int T = Extent(layout, SideTop), B = Extent(layout, SideBottom);
    const int L = Extent(layout, SideLeft), R = Extent(layout, SideRight);
    const int W = layout.centralWidth, H = layout.centralHeight;
    const bool leftHidden = !Visible(layout, SideLeft), topHidden = !Visible(layout, SideTop);
    const bool rightShown = Visible(layout, SideRight), bottomShown = Visible(layout, SideBottom);
    switch (side) {
    case SideTop:
        return RECT{leftHidden || Flag(layout, side, 1) ? 0 : L, 0,
                    L + W + (rightShown && Flag(layout, side, 0) ? R : 0), T};
    case SideBottom:
        return RECT{leftHidden || Flag(layout, side, 0) ? 0 : L, T + H,
                    L + W + (rightShown && Flag(layout, side, 1) ? R : 0), T + H + B};
    case SideLeft:
        return RECT{0, topHidden || Flag(layout, side, 0) ? 0 : T, L,
                    T + H + (bottomShown && Flag(layout, side, 1) ? B : 0)};
    case SideRight:
        return RECT{L + W, topHidden || Flag(layout, side, 1) ? 0 : T, L + W + R,
                    T + H + (bottomShown && Flag(layout, side, 0) ? B : 0)};
    default:
        return RECT{};
    }
}

RECT CentralRect(const DockLayout& layout) {
    const int T = Extent(layout, SideTop), L = Extent(layout, SideLeft);
    return RECT{L, T, L + layout.centralWidth, T + layout.centralHeight};
}

void ResizeFrame(DockLayout& layout, int dx, int dy) {
    const long long width = static_cast<long long>(layout.centralWidth) + dx;
    const long long height = static_cast<long long>(layout.centralHeight) + dy;
    if (width > kMinimumAreaSize) layout.centralWidth = BoundArea(width);
    if (height > kMinimumAreaSize) layout.centralHeight = BoundArea(height);
}

void ShowSide(DockLayout& layout, int side) {
    if (!IsValidSide(side) || layout.sides[side].visible) return;
    DockSideState& s = layout.sides[side];
    int& central = CentralDimension(layout, side);
    if (static_cast<long long>(central) - s.size > kMinimumAreaSize) central -= s.size;
    s.visible = true;
}

void HideSide(DockLayout& layout, int side) {
    if (!IsValidSide(side) || !layout.sides[side].visible) return;
    DockSideState& s = layout.sides[side];
    int& central = CentralDimension(layout, side);
    central = BoundArea(static_cast<long long>(central) + s.size);
    s.visible = false;
}

bool ResizeSide(DockLayout& layout, int side, int delta) {
    if (!IsValidSide(side)) return false;
    DockSideState& s = layout.sides[side];
    int& central = CentralDimension(layout, side);
    const long long takenFromCentral = s.visible ? delta : 0;
    const long long size = static_cast<long long>(s.size) + delta, rest = central - takenFromCentral;
    if (size < kMinimumAreaSize || rest < kMinimumAreaSize || size > kMaximumAreaSize || rest > kMaximumAreaSize)
        return false;
    s.size = static_cast<int>(size);
    central = static_cast<int>(rest);
    return true;
}

int BoundSideSize(const DockLayout& layout, int side, int requested, int screenExtent) {
    if (!IsValidSide(side) || requested <= 0) return requested;
    const DockSideState& s = layout.sides[side];
    const long long central = IsHorizontalSide(side) ? layout.centralHeight : layout.centralWidth;
    // Showing a side leaves the central area above the minimum, not at it.
    const int keep = kMinimumAreaSize + 1;
    long long most = central + (s.visible ? s.size : 0) - keep;
    if (most < kMinimumAreaSize) most = static_cast<long long>(screenExtent) - keep;  // no size yet
    most = std::clamp<long long>(most, kMinimumAreaSize, kMaximumAreaSize);
    return static_cast<int>(std::clamp<long long>(requested, kMinimumAreaSize, most));
}

RECT SizingLimits(const DockLayout& layout, int side) {
    constexpr int kLeast = 10;
    const int T = Extent(layout, SideTop), B = Extent(layout, SideBottom);
    const int L = Extent(layout, SideLeft), R = Extent(layout, SideRight);
    const int W = layout.centralWidth, H = layout.centralHeight;
    RECT rc = DockSideRect(layout, side);
    switch (side) {
    case SideLeft: rc.left = kLeast; rc.right = L + W - kLeast; break;
    case SideRight: rc.left = L + kLeast; rc.right = L + W + R - kLeast; break;
    case SideTop: rc.top = kLeast; rc.bottom = T + H - kLeast; break;
    case SideBottom: rc.top = T + kLeast; rc.bottom = T + H + B - kLeast; break;
    default: return RECT{};
    }
    return rc;
}

int SizingDragDelta(int side, POINT press, POINT release) {
    int delta = 0;
    switch (side) {
    case SideBottom: delta = press.y - release.y; break;  // its edge is at the top
    case SideTop: delta = release.y - press.y; break;
    case SideLeft: delta = release.x - press.x; break;
    case SideRight: delta = press.x - release.x; break;
    default: return 0;
    }
    return std::abs(delta) > 2 ? delta : 0;
}

RECT InflatedRect(RECT rc, int dx, int dy) {
    ::InflateRect(&rc, dx, dy);
    return rc;
}

int FindDropZone(const RECT& tabStrip, const RECT& client, POINT pt) {
    if (::PtInRect(&tabStrip, pt)) return ZoneTabs;
    if (!::PtInRect(&client, pt)) return ZoneNone;
    int zone = ZoneBottom, best = client.bottom - pt.y;
    if (pt.y - client.top < best) zone = ZoneTop, best = pt.y - client.top;
    if (pt.x - client.left < best) zone = ZoneLeft, best = pt.x - client.left;
    if (client.right - pt.x < best) zone = ZoneRight;
    return zone;
}

RECT ZoneOutline(const RECT& client, int zone) {
    RECT rc = client;
    switch (zone) {
    case ZoneTop: rc.bottom = client.bottom / 2; break;
    case ZoneBottom: rc.top = client.bottom / 2; break;
    case ZoneLeft: rc.right = client.right / 2; break;
    case ZoneRight: rc.left = client.right / 2; break;
    case ZoneTabs: break;
    default: return RECT{};
    }
    return rc;
}

SplitOrder SplitOrderForZone(int zone) {
    switch (zone) {
    case ZoneLeft: return {true, true};
    case ZoneRight: return {true, false};
    case ZoneTop: return {false, true};
    default: return {false, false};  // bottom
    }
}

int TabStripHeight(int ascent) { return (::MulDiv(24, ascent, 11) - 24) / 2 + 24; }

RECT FitFloatRect(const RECT& stored, const RECT& screen) {
    using Wide = long long;
    const Wide width = Wide(stored.right) - stored.left, height = Wide(stored.bottom) - stored.top;
    if (width <= 0 || height <= 0) return RECT{};
    // Into [from, to - extent], or at `from` when the extent fills the whole span.
    auto fit = [](Wide extent, Wide at, Wide from, Wide to, Wide& start) {
        extent = std::clamp<Wide>(extent, kMinimumAreaSize, std::max<Wide>(to - from, kMinimumAreaSize));
        start = std::clamp<Wide>(at, from, std::max(from, to - extent));
        return extent;
    };
    Wide left = 0, top = 0;
    const Wide w = fit(width, stored.left, screen.left, screen.right, left);
    const Wide h = fit(height, stored.top, screen.top, screen.bottom, top);
    return RECT{static_cast<LONG>(left), static_cast<LONG>(top), static_cast<LONG>(left + w),
                static_cast<LONG>(top + h)};
}

namespace {
void PutInt(BYTE* at, int value) {
    const auto v = static_cast<unsigned>(value);
    for (int i = 0; i < 4; ++i) at[i] = static_cast<BYTE>(v >> (8 * i));
}
int GetInt(const BYTE* at) {
    unsigned v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<unsigned>(at[i]) << (8 * i);
    return static_cast<int>(v);
}
}  // namespace

StateBytes EncodeState(const StateRecord& r) {
    StateBytes bytes{};
    const int fields[7] = {r.kind, r.side, r.size, r.rect.left, r.rect.top, r.rect.right, r.rect.bottom};
    for (int i = 0; i < 7; ++i) PutInt(bytes.data() + 4 * i, fields[i]);
    return bytes;
}

StateRecord DecodeState(const BYTE* bytes, DWORD size) {
    StateRecord r;
    if (!bytes || size != kStateRecordSize) return r;
    r.kind = GetInt(bytes);
    r.side = GetInt(bytes + 4);
    r.size = GetInt(bytes + 8);
    r.rect = RECT{GetInt(bytes + 12), GetInt(bytes + 16), GetInt(bytes + 20), GetInt(bytes + 24)};
    return r;
}

}  // namespace DockSplitTab
