// The three progress clips. They play in small dialogs, so the background stays transparent and
// every moving part loops seamlessly over the frame count.
#include "art.h"
#include "pictures.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace pelzo::ico {
namespace {

// Frame counts match the stop frames the progress windows use (last frame index + 1).
constexpr int kExchangeFrames = 25;
constexpr int kOpenFrames = 17;
constexpr int kPalmFrames = 20;

qreal smooth(qreal t)
{
    t = std::clamp(t, 0.0, 1.0);
    return t * t * (3 - 2 * t);
}

QPointF onQuadratic(QPointF a, QPointF c, QPointF b, qreal t)
{
    const qreal u = 1 - t;
    return a * (u * u) + c * (2 * u * t) + b * (t * t);
}

// A faint dotted guide between the two ends of a flight.
void drawFlightPath(QPainter& p, QPointF a, QPointF c, QPointF b)
{
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(90, 150, 215));
    for (int i = 1; i < 18; ++i)
        p.drawEllipse(onQuadratic(a, c, b, i / 18.0), 1.2, 1.2);
}

void drawFlyingDocument(QPainter& p, QPointF centre, qreal scale, qreal angle, bool chart)
{
    if (scale <= 0.05)
        return;
    p.save();
    p.translate(centre);
    p.rotate(angle);
    p.scale(scale, scale);
    drawDocument(p, QRectF(-8.5, -10.5, 17, 21.25), chart);
    p.restore();
}

QImage exchangeFrame(int i)
{
    QImage img = canvas(272, 60);
    QPainter p(&img);
    antialias(p);
    drawMeter(p, QRectF(22, 2, 56 * kMeterSize.width() / kMeterSize.height(), 56),
              QStringLiteral("65.3"));
    drawMonitor(p, QRectF(192, 3, 62, 54.25), (i + 1) / qreal(kExchangeFrames));
    const QPointF from(54, 34), peak(124, -12), to(216, 22);
    drawFlightPath(p, from, peak, to);
    const qreal t = i / qreal(kExchangeFrames - 1);
    const qreal u = smooth(t);
    // Grows out of the meter, shrinks into the screen.
    const qreal scale = std::min({1.0, t / 0.15, (1 - t) / 0.15 + 0.15});
    drawFlyingDocument(p, onQuadratic(from, peak, to, u), 1.25 * scale, -25 + 50 * u, false);
    return img;
}

void drawSheetWindow(QPainter& p, const QRectF& r, int filledRows)
{
    p.setPen(QPen(QColor(40, 60, 90), 0.8));
    p.setBrush(Qt::white);
    p.drawRoundedRect(r, 2, 2);
    p.setPen(Qt::NoPen);
    p.setBrush(vertical(QRectF(r.left(), r.top(), r.width(), 6), QColor(30, 136, 229), QColor(13, 71, 161)));
    QPainterPath title;
    title.addRoundedRect(QRectF(r.left() + 0.4, r.top() + 0.4, r.width() - 0.8, 6), 2, 2);
    p.drawPath(title);
    // Grid with rows appearing one by one.
    const qreal top = r.top() + 7.5, rowH = 4.2;
    const int rows = int((r.bottom() - top - 1) / rowH);
    for (int row = 0; row < rows; ++row) {
        const qreal y = top + row * rowH;
        p.setBrush(row % 2 ? QColor(232, 240, 250) : QColor(246, 249, 253));
        p.drawRect(QRectF(r.left() + 1.5, y, r.width() - 3, rowH - 0.6));
        if (row < filledRows) {
            p.setBrush(QColor(25, 118, 210));
            for (int col = 0; col < 4; ++col) {
                const qreal w = col == 0 ? 5 : 8 - (row + col) % 3 * 1.5;
                p.drawRect(QRectF(r.left() + 3 + col * 11, y + 1.1, w, 1.6));
            }
        }
    }
}

QImage openFrame(int i)
{
    QImage img = canvas(260, 40);
    QPainter p(&img);
    antialias(p);
    const QRectF folder(6, 4, 44, 44 * kFolderSize.height() / kFolderSize.width());
    const qreal t = i / qreal(kOpenFrames - 1);
    // The rows fill as documents arrive.
    drawSheetWindow(p, QRectF(204, 3, 50, 34), 1 + i * 6 / kOpenFrames);
    drawFolderBack(p, folder);
    const QPointF inside(28, 22), lift(28, 10), peak(120, -2), to(228, 19);
    if (t < 0.25) {
        // Rising out of the folder, behind its front flap.
        const qreal u = smooth(t / 0.25);
        drawFlyingDocument(p, inside + (lift - inside) * u, 1.0, -6 * u, true);
        drawFolderFront(p, folder, 0.2 + 0.4 * u);
        return img;
    }
    drawFolderFront(p, folder, 0.6 - 0.4 * smooth((t - 0.25) / 0.75));
    drawFlightPath(p, lift, peak, to);
    const qreal u = smooth((t - 0.25) / 0.75);
    const qreal scale = std::min(1.0, (1 - t) / 0.12 + 0.1);
    drawFlyingDocument(p, onQuadratic(lift, peak, to, u), scale, -6 + 30 * u, true);
    return img;
}

QPainterPath cablePath()
{
    QPainterPath cable;
    cable.moveTo(37, 44);
    cable.cubicTo(80, 56, 150, 56, 204, 50);
    return cable;
}

void drawCable(QPainter& p, const QPainterPath& cable)
{
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(40, 48, 58), 4.6, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(cable);
    p.setPen(QPen(QColor(120, 130, 142), 1.6, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(cable);
}

void drawPacket(QPainter& p, QPointF at, const QColor& core)
{
    p.setPen(Qt::NoPen);
    QColor halo = core;
    halo.setAlpha(200);
    p.setBrush(Qt::white);
    p.drawEllipse(at, 4.4, 4.4);
    p.setBrush(halo);
    p.drawEllipse(at, 3.2, 3.2);
}

// Arcs beside the microphone, blinking in turn.
void drawSignal(QPainter& p, QPointF origin, int frame)
{
    for (int k = 0; k < 3; ++k) {
        const int alpha = ((frame / 2 + 3 - k) % 3 == 0) ? 230 : 90;
        p.setPen(QPen(QColor(0, 102, 204, alpha), 1.6, Qt::SolidLine, Qt::RoundCap));
        const qreal r = 5 + k * 4.5;
        p.drawArc(QRectF(origin.x() - r, origin.y() - r, 2 * r, 2 * r), -45 * 16, 90 * 16);
    }
}

QImage palmpilotFrame(int i)
{
    static constexpr std::array<const char*, 5> kReadings{"62.4", "63.1", "64.8", "63.7", "62.9"};
    QImage img = canvas(272, 60);
    QPainter p(&img);
    antialias(p);
    const QPainterPath cable = cablePath();
    drawCable(p, cable);
    drawMeter(p, QRectF(20, 2, 56 * kMeterSize.width() / kMeterSize.height(), 56),
              QString::fromLatin1(kReadings[size_t(i / 4 % kReadings.size())]));
    drawMonitor(p, QRectF(196, 3, 62, 54.25), -1, i * 21.0 / kPalmFrames);
    drawSignal(p, QPointF(31, 7), i);
    const qreal phase = i / qreal(kPalmFrames);
    for (int k = 0; k < 3; ++k) {
        const qreal s = std::fmod(phase + k / 3.0, 1.0);
        drawPacket(p, cable.pointAtPercent(0.06 + 0.88 * s), QColor(0, 140, 255));
        const qreal back = std::fmod(phase + k / 3.0 + 1.0 / 6, 1.0);
        drawPacket(p, cable.pointAtPercent(0.94 - 0.88 * back), QColor(255, 140, 0));
    }
    return img;
}

template <typename Frame>
std::vector<QImage> frames(int count, Frame frame)
{
    std::vector<QImage> out;
    for (int i = 0; i < count; ++i)
        out.push_back(frame(i));
    return out;
}

}  // namespace

std::vector<QImage> exchangeClip() { return frames(kExchangeFrames, exchangeFrame); }
std::vector<QImage> openClip() { return frames(kOpenFrames, openFrame); }
std::vector<QImage> palmpilotClip() { return frames(kPalmFrames, palmpilotFrame); }

}  // namespace pelzo::ico
