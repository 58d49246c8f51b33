// Coordinate spaces: world, page and device.
//
// A logical point goes to the device in two steps. The world transform (GM_ADVANCED only;
// identity otherwise) takes world space to page space; the mapping mode takes page space to
// device pixels: dx = (px - windowOrg.x) * viewportExt.cx / windowExt.cx + viewportOrg.x, the
// same in y. Both steps are kept as one TMatrix, computed in double precision whenever an input
// changes; the device point of a logical point is that matrix applied, then rounded half away
// from zero where an integer is needed, as GDI rounds.
#pragma once

#include "platform/WinGdi.h"

#include <cmath>

namespace gdi {

struct TPointD {
    double x = 0;
    double y = 0;
};

// x' = x * m11 + y * m21 + dx, y' = x * m12 + y * m22 + dy (the XFORM convention).
struct TMatrix {
    double m11 = 1, m12 = 0, m21 = 0, m22 = 1, dx = 0, dy = 0;

    static TMatrix FromXform(const XFORM& x) {
        return {x.eM11, x.eM12, x.eM21, x.eM22, x.eDx, x.eDy};
    }
    XFORM ToXform() const {
        return {static_cast<FLOAT>(m11), static_cast<FLOAT>(m12), static_cast<FLOAT>(m21),
                static_cast<FLOAT>(m22), static_cast<FLOAT>(dx),  static_cast<FLOAT>(dy)};
    }
    TPointD Apply(double x, double y) const {
        return {x * m11 + y * m21 + dx, x * m12 + y * m22 + dy};
    }
    TPointD ApplyVector(double x, double y) const { return {x * m11 + y * m21, x * m12 + y * m22}; }
    double Determinant() const { return m11 * m22 - m12 * m21; }
    bool IsInvertible() const { return std::fabs(Determinant()) > 1e-12; }
    // Only a scale and a translation (no rotation or shear).
    bool IsAxisAligned() const { return m12 == 0 && m21 == 0; }
    bool IsIdentity() const {
        return m11 == 1 && m12 == 0 && m21 == 0 && m22 == 1 && dx == 0 && dy == 0;
    }
    // The inverse; the identity when the matrix cannot be inverted.
    TMatrix Inverted() const;
};

// first, then second (CombineTransform's order).
TMatrix Multiply(const TMatrix& first, const TMatrix& second);

// Round half away from zero, as GDI rounds transformed coordinates; clamped to a range that
// keeps later arithmetic in 32 bits.
inline int RoundCoord(double v) {
    if (!(v > -1e8)) {
        return v != v ? 0 : -100000000;
    }
    if (v > 1e8) {
        return 100000000;
    }
    return static_cast<int>(std::lround(v));
}

} // namespace gdi
