// SPDX-License-Identifier: MIT
#include "plot_symbols.h"

#include <QPaintEngine>
#include <QPen>
#include <algorithm>
#include <cmath>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace quillane::viewer {

namespace {

// x * a / 255 for the four 8-bit channels of x, rounded.
inline uint32_t byteMul(uint32_t x, uint32_t a) {
    uint32_t rb = (x & 0xff00ffu) * a;
    rb = ((rb + ((rb >> 8) & 0xff00ffu) + 0x800080u) >> 8) & 0xff00ffu;
    uint32_t ag = ((x >> 8) & 0xff00ffu) * a;
    ag = (ag + ((ag >> 8) & 0xff00ffu) + 0x800080u) & 0xff00ff00u;
    return ag | rb;
}

// Blends `colour` (opaque) with coverages alpha[0 .. n-1] over row[0 .. n-1]
// (premultiplied): row = (colour a + row (255 - a)) / 255, rounded.
void blendCoverage(uint32_t *row, const uint8_t *alpha, int n, uint32_t colour) {
    int i = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    const __m128i full = _mm_set1_epi16(255);
    const __m128i half = _mm_set1_epi16(128);
    const __m128i c = _mm_unpacklo_epi8(_mm_set1_epi32(static_cast<int>(colour)), zero);
    auto blend = [&](__m128i d, __m128i a) {
        __m128i t =
            _mm_add_epi16(_mm_mullo_epi16(c, a), _mm_mullo_epi16(d, _mm_sub_epi16(full, a)));
        t = _mm_add_epi16(t, half);
        return _mm_srli_epi16(_mm_add_epi16(t, _mm_srli_epi16(t, 8)), 8);
    };
    for (; i + 4 <= n; i += 4) {
        uint32_t four;
        std::memcpy(&four, alpha + i, sizeof four);
        const __m128i a16 = _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(four)), zero);
        const __m128i a32 = _mm_unpacklo_epi16(a16, a16);  // a0 a0 a1 a1 a2 a2 a3 a3
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i *>(row + i));
        const __m128i lo = blend(_mm_unpacklo_epi8(d, zero), _mm_unpacklo_epi32(a32, a32));
        const __m128i hi = blend(_mm_unpackhi_epi8(d, zero), _mm_unpackhi_epi32(a32, a32));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(row + i), _mm_packus_epi16(lo, hi));
    }
#endif
    for (; i < n; ++i) {
        const uint32_t a = alpha[i];
        row[i] = byteMul(colour, a) + byteMul(row[i], 255 - a);
    }
}

}  // namespace

bool SymbolLayer::suits(const QPainter &painter) {
    const QPaintEngine *engine = painter.paintEngine();
    if (engine == nullptr || engine->type() != QPaintEngine::Raster) return false;
    if (painter.hasClipping() || painter.opacity() != 1.0 ||
        painter.compositionMode() != QPainter::CompositionMode_SourceOver)
        return false;
    const QTransform t = painter.deviceTransform();
    return t.type() <= QTransform::TxScale && t.m11() > 0.0 && t.m11() == t.m22();
}

SymbolLayer::SymbolLayer(QPainter &painter, QSizeF area, DrawShape draw, double pen_width,
                         bool filled, double reach)
    : painter_(painter),
      draw_(std::move(draw)),
      pen_width_(pen_width),
      filled_(filled),
      half_(static_cast<int>(std::ceil(reach + pen_width + 2.0))),
      to_device_(painter.deviceTransform()) {
    // The layer covers the area in device pixels; what lies beyond the
    // device is cut off when the layer is drawn.
    const QRectF pixels = to_device_.mapRect(QRectF(QPointF(0, 0), area));
    auto extent = [](double v) { return std::clamp(static_cast<int>(std::ceil(v)), 1, 1 << 15); };
    layer_ = QImage(QSize(extent(pixels.right()), extent(pixels.bottom())),
                    QImage::Format_ARGB32_Premultiplied);
    layer_.setDevicePixelRatio(painter.device()->devicePixelRatio());
    layer_.fill(Qt::transparent);
    bits_ = reinterpret_cast<uint32_t *>(layer_.bits());
    stride_ = static_cast<int>(layer_.bytesPerLine() / 4);
    width_ = layer_.width();
    height_ = layer_.height();
    dirty_x0_ = width_;
    dirty_y0_ = height_;
}

SymbolLayer::~SymbolLayer() {
    flush();
}

const SymbolLayer::Mask &SymbolLayer::mask(SymbolShape shape, int phase_x, int phase_y) {
    Mask &m = masks_[static_cast<size_t>((static_cast<int>(shape) * kPhases + phase_y) * kPhases +
                                         phase_x)];
    if (m.made) return m;
    m.made = true;
    const int size = 2 * half_ + 1;
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setPen(QPen(Qt::white, pen_width_));
        p.setBrush(filled_ ? QBrush(Qt::white) : QBrush(Qt::NoBrush));
        // The centre of the middle pixel's quarter of the phase.
        const QPointF centre(half_ + (phase_x + 0.5) / kPhases, half_ + (phase_y + 0.5) / kPhases);
        draw_(p, shape, centre);
    }
    m.runs_begin = static_cast<int>(runs_.size());
    auto alpha = [&](const QRgb *line, int x) { return x < size ? qAlpha(line[x]) : 0; };
    for (int y = 0; y < size; ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        int first = 0;
        while (first < size && alpha(line, first) == 0)
            ++first;
        Run *open = nullptr;  // the run the next group may join
        for (int x = first; x < size; x += kGroup) {
            int covered = 0, full = 0;
            for (int i = x; i < x + kGroup; ++i) {
                covered += alpha(line, i) != 0 ? 1 : 0;
                full += alpha(line, i) == 255 ? 1 : 0;
            }
            if (covered == 0) {
                open = nullptr;
                continue;
            }
            const bool opaque = full == kGroup;
            if (open == nullptr || (open->begin < 0) != opaque) {
                runs_.push_back(
                    Run{y - half_, x - half_, 0, opaque ? -1 : static_cast<int>(alphas_.size())});
                open = &runs_.back();
            }
            open->length += kGroup;
            if (!opaque)
                for (int i = x; i < x + kGroup; ++i)
                    alphas_.push_back(static_cast<uint8_t>(alpha(line, i)));
        }
    }
    m.runs_end = static_cast<int>(runs_.size());
    return m;
}

void SymbolLayer::add(QPointF centre, SymbolShape shape, QColor colour) {
    const QPointF at = to_device_.map(centre);
    if (!std::isfinite(at.x()) || !std::isfinite(at.y())) return;
    const double fx = std::floor(at.x());
    const double fy = std::floor(at.y());
    // A symbol wholly off the picture leaves no pixel.
    if (fx < -half_ - 1 || fy < -half_ - 1 || fx > width_ + half_ || fy > height_ + half_) return;
    const int x0 = static_cast<int>(fx), y0 = static_cast<int>(fy);
    const int px = std::min(static_cast<int>((at.x() - fx) * kPhases), kPhases - 1);
    const int py = std::min(static_cast<int>((at.y() - fy) * kPhases), kPhases - 1);
    const Mask &m = mask(shape, px, py);

    const uint32_t argb = colour.rgba() | 0xff000000u;
    for (int r = m.runs_begin; r < m.runs_end; ++r) {
        const Run &run = runs_[static_cast<size_t>(r)];
        const int y = y0 + run.dy;
        if (y < 0 || y >= height_) continue;
        int from = 0, to = run.length;
        const int x = x0 + run.dx;
        if (x < 0) from = -x;
        if (x + to > width_) to = width_ - x;
        if (to <= from) continue;
        uint32_t *pixels = bits_ + static_cast<ptrdiff_t>(y) * stride_ + x;
        if (run.begin < 0) {
            std::fill(pixels + from, pixels + to, argb);
        } else {
            blendCoverage(pixels + from, alphas_.data() + run.begin + from, to - from, argb);
        }
    }
    dirty_x0_ = std::max(std::min(dirty_x0_, x0 - half_), 0);
    dirty_y0_ = std::max(std::min(dirty_y0_, y0 - half_), 0);
    dirty_x1_ = std::min(std::max(dirty_x1_, x0 + half_ + kGroup), width_ - 1);
    dirty_y1_ = std::min(std::max(dirty_y1_, y0 + half_), height_ - 1);
}

void SymbolLayer::flush() {
    if (dirty_x1_ < dirty_x0_ || dirty_y1_ < dirty_y0_) {
        dirty_x0_ = width_;
        dirty_y0_ = height_;
        return;
    }
    const QRect dirty(QPoint(dirty_x0_, dirty_y0_), QPoint(dirty_x1_, dirty_y1_));
    painter_.save();
    // The layer is in device pixels; without a world transform it lands on
    // them one to one.
    painter_.setWorldTransform(QTransform());
    const qreal ratio = layer_.devicePixelRatio();
    const QRectF target(dirty.x() / ratio, dirty.y() / ratio, dirty.width() / ratio,
                        dirty.height() / ratio);
    painter_.drawImage(target, layer_, QRectF(dirty));
    painter_.restore();
    for (int y = dirty.top(); y <= dirty.bottom(); ++y) {
        uint32_t *row = bits_ + static_cast<ptrdiff_t>(y) * stride_;
        std::fill(row + dirty.left(), row + dirty.right() + 1, 0u);
    }
    dirty_x0_ = width_;
    dirty_y0_ = height_;
    dirty_x1_ = dirty_y1_ = -1;
}

}  // namespace quillane::viewer
