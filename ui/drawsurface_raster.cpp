// Software raster back end of CDrawSurface (see drawsurface_raster.h).
#include "ui/drawsurface_raster.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

#include "ui/fontdesc.h"
#include "ui/fontdesc_raster.h"
#include "ui/textdecode_raster.h"

namespace {

// Larger than any screen; keeps a wrong size from allocating gigabytes.
constexpr int kMaxSide = 16384;
constexpr VdColor kWhite = 0xFFFFFF;

// Cosmetic one-pixel pen patterns of GDI: PS_DASH 18 on 6 off, PS_DOT 3 on 3 off.
constexpr int kDashOn = 18;
constexpr int kDashPeriod = 24;
constexpr int kDotOn = 3;
constexpr int kDotPeriod = 6;

int ClampSide(int n) { return n < 0 ? 0 : (n > kMaxSide ? kMaxSide : n); }

unsigned Channel(VdColor c, int shift) { return (c >> shift) & 0xFFu; }

VdColor Mix(VdColor under, VdColor over, unsigned alpha) {
    VdColor out = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        unsigned a = Channel(under, shift);
        unsigned b = Channel(over, shift);
        unsigned v = (a * (255 - alpha) + b * alpha + 127) / 255;
        out |= v << shift;
    }
    return out;
}

struct tagTextLine {
    std::u32string text;
    int width;
};

int MeasureLine(CRasterFont* font, const std::u32string& s) {
    int w = 0;
    for (char32_t c : s) {
        w += font->GetAdvance(c);
    }
    return w;
}

// Shortens the line to the longest prefix that fits maxWidth with "..."
// after it, as DrawText's end ellipsis does.
void ApplyEllipsis(CRasterFont* font, tagTextLine* line, int maxWidth) {
    if (line->width <= maxWidth) {
        return;
    }
    const std::u32string dots = U"...";
    int dotsWidth = MeasureLine(font, dots);
    std::u32string kept;
    int width = 0;
    for (char32_t c : line->text) {
        int a = font->GetAdvance(c);
        if (width + a + dotsWidth > maxWidth) {
            break;
        }
        kept.push_back(c);
        width += a;
    }
    line->text = kept + dots;
    line->width = width + dotsWidth;
}

}  // namespace

CRasterDrawSurface::CRasterDrawSurface(int width, int height)
    : m_nWidth(ClampSide(width)),
      m_nHeight(ClampSide(height)),
      m_pixels(static_cast<size_t>(m_nWidth) * static_cast<size_t>(m_nHeight), 0),
      m_pTarget(nullptr),
      m_paint{0, 0, 0, 0},
      m_bInPass(false),
      m_bTransparent(false),
      m_nOriginX(0),
      m_nOriginY(0),
      m_crPen(0),
      m_crBrush(kWhite),
      m_brokenStyle(LineStyle::Dash),
      m_pFont(nullptr) {}

CRasterDrawSurface::CRasterDrawSurface(int width, int height, IRasterPaintTarget* target)
    : CRasterDrawSurface(width, height) {
    m_pTarget = target;
    std::fill(m_pixels.begin(), m_pixels.end(), kWhite);
}

CRasterDrawSurface::~CRasterDrawSurface() {
    if (m_pFont != nullptr) {
        m_pFont->Release();
    }
}

void CRasterDrawSurface::BeginPaint() {
    if (m_pTarget == nullptr) {
        return;
    }
    m_paint = VdRect{0, 0, m_nWidth, m_nHeight};
    m_pTarget->BeginPass(&m_paint);
    m_bInPass = true;
    // The memory context keeps this mode after the pass, as GDI does.
    m_bTransparent = true;
}

void CRasterDrawSurface::EndPaint() {
    if (m_pTarget == nullptr || !m_bInPass) {
        return;
    }
    m_bInPass = false;
    m_pTarget->EndPass(m_paint, *this);
}

const VdRect* CRasterDrawSurface::GetPaintRect() { return &m_paint; }

void CRasterDrawSurface::SetOrigin(int x, int y) {
    m_nOriginX = x;
    m_nOriginY = y;
}

void CRasterDrawSurface::SetPenColor(VdColor c) {
    m_crPen = c;
    m_brokenStyle = LineStyle::Dot;
}

void CRasterDrawSurface::SetBrushColor(VdColor c) { m_crBrush = c; }

VdColor CRasterDrawSurface::GetPixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= m_nWidth || y >= m_nHeight) {
        return 0xFFFFFFFFu;  // CLR_INVALID
    }
    return m_pixels[static_cast<size_t>(y) * m_nWidth + x];
}

void CRasterDrawSurface::Plot(int x, int y, VdColor c) {
    if (x >= 0 && y >= 0 && x < m_nWidth && y < m_nHeight) {
        m_pixels[static_cast<size_t>(y) * m_nWidth + x] = c;
    }
}

void CRasterDrawSurface::BlendCoverage(int x, int y, unsigned coverage, VdColor c) {
    if (coverage == 0) {
        return;
    }
    VdColor& p = m_pixels[static_cast<size_t>(y) * m_nWidth + x];
    p = coverage >= 255 ? c : Mix(p, c, coverage);
}

void CRasterDrawSurface::FillClipped(int left, int top, int right, int bottom, VdColor c) {
    if (left < 0) left = 0;
    if (top < 0) top = 0;
    if (right > m_nWidth) right = m_nWidth;
    if (bottom > m_nHeight) bottom = m_nHeight;
    for (int y = top; y < bottom; ++y) {
        VdColor* row = m_pixels.data() + static_cast<size_t>(y) * m_nWidth;
        for (int x = left; x < right; ++x) {
            row[x] = c;
        }
    }
}

void CRasterDrawSurface::FillRect(const VdRect* r) {
    if (r == nullptr) {
        return;
    }
    // GDI fills an inverted rectangle as a mirrored block: from the far
    // edge back to the near one, the near one included and the far one not.
    int l = r->left, t = r->top, rt = r->right, b = r->bottom;
    if (l > rt) {
        std::swap(l, rt);
        ++l;
        ++rt;
    }
    if (t > b) {
        std::swap(t, b);
        ++t;
        ++b;
    }
    FillClipped(l + m_nOriginX, t + m_nOriginY, rt + m_nOriginX, b + m_nOriginY, m_crBrush);
}

void CRasterDrawSurface::Line(int x1, int y1, int x2, int y2, LineStyle style) {
    // Bresenham from the start point; the end point is left out, as LineTo
    // does, so that joined lines do not draw their common point twice.
    int dx = std::abs(x2 - x1);
    int dy = std::abs(y2 - y1);
    int sx = x1 < x2 ? 1 : -1;
    int sy = y1 < y2 ? 1 : -1;
    int steps = dx > dy ? dx : dy;
    int x = x1;
    int y = y1;
    int err = (dx > dy ? dx : -dy) / 2;
    for (int i = 0; i < steps; ++i) {
        bool on = true;
        if (style == LineStyle::Dash) {
            on = (i % kDashPeriod) < kDashOn;
        } else if (style == LineStyle::Dot) {
            on = (i % kDotPeriod) < kDotOn;
        }
        if (on) {
            Plot(x, y, m_crPen);
        } else if (!m_bTransparent) {
            // Opaque background mode fills the gaps of a styled pen.
            Plot(x, y, m_crBrush);
        }
        int e = err;
        if (e > -dx) {
            err -= dy;
            x += sx;
        }
        if (e < dy) {
            err += dx;
            y += sy;
        }
    }
}

void CRasterDrawSurface::DrawLine(int x1, int y1, int x2, int y2) {
    Line(x1 + m_nOriginX, y1 + m_nOriginY, x2 + m_nOriginX, y2 + m_nOriginY, LineStyle::Solid);
}

void CRasterDrawSurface::DrawBrokenLine(int x1, int y1, int x2, int y2) {
    Line(x1 + m_nOriginX, y1 + m_nOriginY, x2 + m_nOriginX, y2 + m_nOriginY, m_brokenStyle);
}

void CRasterDrawSurface::DrawRoundRect(const VdRect* r, int ellipseWidth, int ellipseHeight) {
    if (r == nullptr) {
        return;
    }
    int l = r->left + m_nOriginX;
    int t = r->top + m_nOriginY;
    int rt = r->right + m_nOriginX;
    int b = r->bottom + m_nOriginY;
    if (l > rt) std::swap(l, rt);
    if (t > b) std::swap(t, b);
    int w = rt - l;
    int h = b - t;
    if (w <= 0 || h <= 0) {
        return;
    }
    // The figure is the set of pixels whose centres lie in the rounded box
    // [l, rt] x [t, b]; its edge pixels take the pen, the rest the brush.
    double rx = (ellipseWidth < 0 ? 0 : (ellipseWidth > w ? w : ellipseWidth)) / 2.0;
    double ry = (ellipseHeight < 0 ? 0 : (ellipseHeight > h ? h : ellipseHeight)) / 2.0;
    std::vector<int> xl(static_cast<size_t>(h));
    std::vector<int> xr(static_cast<size_t>(h));
    for (int row = 0; row < h; ++row) {
        double py = t + row + 0.5;
        double dy = 0.0;
        if (py < t + ry) dy = t + ry - py;
        if (py > b - ry) dy = py - (b - ry);
        double inset = 0.0;
        if (rx > 0.0 && ry > 0.0 && dy > 0.0) {
            double q = dy / ry;
            inset = q >= 1.0 ? rx : rx - rx * std::sqrt(1.0 - q * q);
        }
        xl[row] = static_cast<int>(std::ceil(l + inset - 0.5 - 1e-9));
        xr[row] = static_cast<int>(std::floor(rt - inset - 0.5 + 1e-9));
    }
    auto inRow = [&](int row, int x) { return row >= 0 && row < h && xl[row] <= x && x <= xr[row]; };
    for (int row = 0; row < h; ++row) {
        int y = t + row;
        for (int x = xl[row]; x <= xr[row]; ++x) {
            bool edge = x == xl[row] || x == xr[row] || !inRow(row - 1, x) || !inRow(row + 1, x);
            Plot(x, y, edge ? m_crPen : m_crBrush);
        }
    }
}

void CRasterDrawSurface::SelectFont(CFontDesc* font) {
    if (font == nullptr) {
        return;
    }
    CRasterFont* f = static_cast<CRasterFont*>(font->GetFont());
    if (f == nullptr) {
        return;
    }
    f->AddRef();
    if (m_pFont != nullptr) {
        m_pFont->Release();
    }
    m_pFont = f;
}

void CRasterDrawSurface::DrawText(const VdRect* r, const char* text, unsigned format) {
    if (r == nullptr || text == nullptr) {
        return;
    }
    if (m_pFont == nullptr) {
        m_pFont = CRasterFont::CreateDefault();
        if (m_pFont == nullptr) {
            return;
        }
    }
    CRasterFont* font = m_pFont;
    VdRect box{r->left + m_nOriginX, r->top + m_nOriginY, r->right + m_nOriginX, r->bottom + m_nOriginY};
    std::u32string all = VdDecodeText(text, std::strlen(text));

    std::lock_guard<std::mutex> hold(RasterFontLock());
    std::vector<tagTextLine> lines;
    if (format & VD_DT_SINGLELINE) {
        std::u32string one;
        for (char32_t c : all) {
            if (c != U'\r' && c != U'\n') one.push_back(c);
        }
        lines.push_back(tagTextLine{one, 0});
    } else {
        std::u32string cur;
        for (size_t i = 0; i < all.size(); ++i) {
            char32_t c = all[i];
            if (c == U'\r' || c == U'\n') {
                lines.push_back(tagTextLine{cur, 0});
                cur.clear();
                if (c == U'\r' && i + 1 < all.size() && all[i + 1] == U'\n') ++i;
            } else {
                cur.push_back(c);
            }
        }
        lines.push_back(tagTextLine{cur, 0});
    }
    int boxWidth = box.right - box.left;
    for (tagTextLine& line : lines) {
        line.width = MeasureLine(font, line.text);
        if (format & VD_DT_END_ELLIPSIS) {
            ApplyEllipsis(font, &line, boxWidth);
        }
    }

    int lineHeight = font->GetHeight();
    int y = box.top;
    if (format & VD_DT_SINGLELINE) {
        if (format & VD_DT_VCENTER) {
            y = box.top + (box.bottom - box.top - lineHeight) / 2;
        } else if (format & VD_DT_BOTTOM) {
            y = box.bottom - lineHeight;
        }
    }
    VdRect clip{0, 0, m_nWidth, m_nHeight};
    if (!(format & VD_DT_NOCLIP) && !VdIntersectRect(&clip, clip, box)) {
        return;
    }

    for (const tagTextLine& line : lines) {
        int x = box.left;
        if (format & VD_DT_CENTER) {
            x = box.left + (boxWidth - line.width) / 2;
        } else if (format & VD_DT_RIGHT) {
            x = box.right - line.width;
        }
        if (!m_bTransparent) {
            VdRect cell{x, y, x + line.width, y + lineHeight};
            VdRect part;
            if (VdIntersectRect(&part, cell, clip)) {
                FillClipped(part.left, part.top, part.right, part.bottom, m_crBrush);
            }
        }
        int baseline = y + font->GetAscent();
        int penX = x;
        for (char32_t c : line.text) {
            tagRasterGlyph g;
            font->LoadGlyph(c, &g);
            if (g.coverage != nullptr) {
                for (int gy = 0; gy < g.rows; ++gy) {
                    int py = baseline - g.top + gy;
                    if (py < clip.top || py >= clip.bottom) continue;
                    const uint8_t* src = g.coverage + gy * g.pitch;
                    for (int gx = 0; gx < g.width; ++gx) {
                        int px = penX + g.left + gx;
                        if (px < clip.left || px >= clip.right) continue;
                        BlendCoverage(px, py, src[gx], m_crPen);
                    }
                }
            }
            penX += g.advance;
        }
        auto rule = [&](int top) {
            VdRect bar{x, top, x + line.width, top + font->GetLineThickness()};
            VdRect part;
            if (VdIntersectRect(&part, bar, clip)) {
                FillClipped(part.left, part.top, part.right, part.bottom, m_crPen);
            }
        };
        if (font->IsUnderline()) rule(baseline + font->GetUnderlineOffset());
        if (font->IsStrikeOut()) rule(baseline - font->GetStrikeOutOffset());
        y += lineHeight;
    }
}

void CRasterDrawSurface::Blit(const VdRect* r, const CDrawSurface* source, int sourceX, int sourceY) {
    if (r == nullptr || source == nullptr) {
        return;
    }
    int dx = r->left + m_nOriginX;
    int dy = r->top + m_nOriginY;
    int w = r->right - r->left;
    int h = r->bottom - r->top;
    if (w <= 0 || h <= 0) {
        return;
    }
    const CRasterDrawSurface* raster = dynamic_cast<const CRasterDrawSurface*>(source);
    int srcW = source->GetWidth();
    int srcH = source->GetHeight();
    // Clip the block against both buffers; a copy onto itself goes through
    // a temporary row so that overlapping blocks come out right.
    std::vector<VdColor> row;
    bool upward = raster == this && dy > sourceY;
    for (int k = 0; k < h; ++k) {
        int j = upward ? h - 1 - k : k;
        int sy = sourceY + j;
        int ty = dy + j;
        if (sy < 0 || sy >= srcH || ty < 0 || ty >= m_nHeight) continue;
        row.assign(static_cast<size_t>(w), 0);
        for (int i = 0; i < w; ++i) {
            int sx = sourceX + i;
            if (sx < 0 || sx >= srcW) continue;
            row[i] = raster != nullptr ? raster->m_pixels[static_cast<size_t>(sy) * srcW + sx]
                                       : source->GetPixel(sx, sy);
        }
        for (int i = 0; i < w; ++i) {
            int sx = sourceX + i;
            int tx = dx + i;
            if (sx < 0 || sx >= srcW || tx < 0 || tx >= m_nWidth) continue;
            m_pixels[static_cast<size_t>(ty) * m_nWidth + tx] = row[i];
        }
    }
}
