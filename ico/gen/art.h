// Drawing helpers and the objects that several pictures share (document, folder, handheld meter,
// computer monitor). Every object draws itself into a given rectangle, so one design serves a
// 72-pixel toolbar icon as well as a 40-pixel clip frame.
#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRectF>

namespace pelzo::ico {

// The colours the pictures are designed against.
inline const QColor kToolbarBlue{0, 102, 204};
inline const QColor kSkyBlue{166, 202, 240};
inline const QColor kDialogGrey{239, 239, 239};
inline const QColor kTeal{0, 128, 128};
inline const QColor kNavy{0, 0, 128};

inline constexpr const char* kFontFamily = "Noto Sans CJK SC";

QImage canvas(int width, int height);
void antialias(QPainter& p);
QFont font(qreal pixelSize, QFont::Weight weight = QFont::Bold);

QLinearGradient vertical(const QRectF& r, const QColor& top, const QColor& bottom);
QLinearGradient horizontal(const QRectF& r, const QColor& left, const QColor& right);

// A soft drop shadow under the opaque parts of `image`.
QImage withShadow(const QImage& image, QPointF offset, int blurRadius, qreal opacity);
// Box blur (three passes approximate a Gaussian) of a premultiplied image.
QImage blurred(const QImage& image, int radius);

// A white sheen over the upper part of `shape`.
void gloss(QPainter& p, const QPainterPath& shape, qreal strength = 0.45);

// Draws `draw` scaled from a design box of `designSize` into `target`.
template <typename Draw>
void inBox(QPainter& p, const QRectF& target, QSizeF designSize, Draw draw)
{
    p.save();
    p.translate(target.topLeft());
    p.scale(target.width() / designSize.width(), target.height() / designSize.height());
    draw(p);
    p.restore();
}

// Shared objects. Their design sizes give their natural aspect ratio.
inline constexpr QSizeF kDocumentSize{24, 30};
void drawDocument(QPainter& p, const QRectF& target, bool withChart = false);

inline constexpr QSizeF kFolderSize{60, 46};
// openness 0 = closed flap, 1 = flap folded well down.
void drawFolderBack(QPainter& p, const QRectF& target);
void drawFolderFront(QPainter& p, const QRectF& target, qreal openness);

inline constexpr QSizeF kMeterSize{60, 180};
// The handheld sound level meter standing upright; `reading` is shown on its display.
void drawMeter(QPainter& p, const QRectF& target, const QString& reading, bool displayLit = true);

inline constexpr QSizeF kMonitorSize{64, 56};
// A desktop monitor; `progress` (0..1, or negative for none) fills a bar on its screen, and
// `tracePhase` scrolls the level trace shown in its window.
void drawMonitor(QPainter& p, const QRectF& target, qreal progress, qreal tracePhase = 0);

}  // namespace pelzo::ico
