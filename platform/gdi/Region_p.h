// Regions inside the GDI stand-in.
//
// A region is a set of whole pixels kept by pixman as y-x banded rectangles: the region is cut
// into horizontal bands, each band a sorted list of non-overlapping rectangles of the same
// height, and neighbouring bands never hold the same rectangles. That is exactly the form
// GetRegionData hands out, so the rectangles pass through unchanged. Rectangles are exclusive
// at the right and bottom, like RECT. Coordinates are 32-bit; anything drawn is clamped to a
// few million pixels long before it reaches pixman.
#pragma once

#include "platform/WinGdi.h"

#include <pixman.h>

#include <span>
#include <vector>

namespace gdi {

// pixman_region32_t with value semantics.
class TPixRegion {
public:
    TPixRegion() { pixman_region32_init(&m_region); }
    explicit TPixRegion(const RECT& rect);
    TPixRegion(int left, int top, int right, int bottom);
    TPixRegion(const TPixRegion& other);
    TPixRegion(TPixRegion&& other) noexcept;
    TPixRegion& operator=(const TPixRegion& other);
    TPixRegion& operator=(TPixRegion&& other) noexcept;
    ~TPixRegion() { pixman_region32_fini(&m_region); }

    // Rectangles (in banded order) replace the contents; empty ones are skipped.
    static TPixRegion FromRects(std::span<const RECT> rects);

    pixman_region32_t* Raw() { return &m_region; }
    const pixman_region32_t* Raw() const { return &m_region; }

    bool IsEmpty() const;
    int Complexity() const; // NULLREGION, SIMPLEREGION or COMPLEXREGION
    RECT Box() const;       // all zero when empty
    std::span<const pixman_box32_t> Boxes() const;
    bool Contains(int x, int y) const;
    bool Intersects(const RECT& rect) const;
    bool operator==(const TPixRegion& other) const;

    void Clear();
    void SetRect(int left, int top, int right, int bottom);
    void Offset(int dx, int dy);
    void Intersect(const TPixRegion& other);
    void Unite(const TPixRegion& other);
    void Subtract(const TPixRegion& other);
    void Xor(const TPixRegion& other);
    // RGN_AND, RGN_OR, RGN_XOR, RGN_DIFF, RGN_COPY: this = this op other. False for a bad mode.
    bool Combine(const TPixRegion& other, int mode);

private:
    pixman_region32_t m_region;
};

// Region building from shapes, shared by the region calls and the clipping and path code.
// Each takes device-pixel coordinates and produces the pixels GDI would fill for the shape
// with no pen.
TPixRegion RegionFromPolygon(std::span<const POINT> points, std::span<const int> counts,
                             int fillMode);
TPixRegion RegionFromEllipse(int left, int top, int right, int bottom);
TPixRegion RegionFromRoundRect(int left, int top, int right, int bottom, int width, int height);

} // namespace gdi
