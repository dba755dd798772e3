// The maker's logo, the meter scale of the readout, the about banner and the program icon.
#include "art.h"
#include "pictures.h"

#include <QFontMetricsF>
#include <QRadialGradient>
#include <QTransform>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace pelzo::ico {
namespace {

struct LogoColours {
    QColor textTop, textBottom, badgeTop, badgeBottom, bars, tagline;
};

const LogoColours kLogoOnBlue{QColor(255, 255, 255), QColor(205, 226, 250), QColor(255, 255, 255),
                              QColor(200, 222, 246), QColor(0, 102, 204), QColor(200, 225, 250)};
const LogoColours kLogoOnLight{QColor(0, 110, 215), QColor(0, 60, 150), QColor(0, 120, 225),
                               QColor(0, 70, 160), QColor(255, 255, 255), QColor(0, 70, 150)};

// Word mark as an outline, slanted, scaled to `width`, with its baseline at `baseline`.
QPainterPath wordMark(const QString& text, qreal left, qreal baseline, qreal width, qreal slant)
{
    QPainterPath path;
    path.addText(0, 0, font(40, QFont::Black), text);
    const QRectF b = path.boundingRect();
    QTransform t;
    const qreal s = width / (b.width() + slant * b.height());
    t.translate(left, baseline);
    t.scale(s, s);
    t.shear(-slant, 0);
    t.translate(-b.left() - slant * b.bottom(), 0);
    return t.map(path);
}

// Badge with level bars, then the word and a tag line; designed in a 153 x 49 box.
void drawLogo(QPainter& p, const LogoColours& c)
{
    const QRectF badge(3, 6, 37, 37);
    QPainterPath badgePath;
    badgePath.addRoundedRect(badge, 9, 9);
    p.setPen(Qt::NoPen);
    p.fillPath(badgePath, vertical(badge, c.badgeTop, c.badgeBottom));
    p.setBrush(c.bars);
    const qreal heights[] = {9, 17, 25, 15, 21};
    for (int i = 0; i < 5; ++i) {
        const qreal h = heights[i];
        p.drawRoundedRect(QRectF(8.5 + i * 5.6, badge.center().y() - h / 2, 3.6, h), 1.8, 1.8);
    }

    const QPainterPath word = wordMark(QStringLiteral("PELZO"), 46, 31, 104, 0.18);
    p.fillPath(word, vertical(word.boundingRect(), c.textTop, c.textBottom));

    // Letter-spaced to run exactly under the word.
    const QString tagline = QStringLiteral("ACOUSTIC INSTRUMENTS");
    QFont tag = font(7, QFont::Bold);
    const qreal natural = QFontMetricsF(tag).horizontalAdvance(tagline);
    tag.setLetterSpacing(QFont::AbsoluteSpacing, std::max(0.0, (103 - natural) / (tagline.size() - 1)));
    p.setFont(tag);
    p.setPen(c.tagline);
    p.drawText(QRectF(46, 35, 106, 11), Qt::AlignLeft | Qt::AlignVCenter,
               tagline);
}

void drawScaleTicks(QPainter& p, QPointF centre, qreal radius, qreal halfAngleDeg)
{
    constexpr int kSteps = 50;  // one tick per 2 dB over 100 dB
    for (int i = 0; i <= kSteps; ++i) {
        const qreal deg = -halfAngleDeg + 2 * halfAngleDeg * i / kSteps;
        const qreal a = deg * std::numbers::pi / 180;
        const bool major = i % 5 == 0;
        const qreal len = major ? 15 : (i % 5 == 2 || i % 5 == 3 ? 8 : 9.5);
        const QPointF dir(std::sin(a), -std::cos(a));
        const QPointF outer = centre + dir * radius;
        const QPointF inner = centre + dir * (radius - len);
        // The upper part of the range is drawn a little darker.
        const QColor colour = i > 40 ? QColor(0, 96, 100) : (i < 10 ? QColor(0, 140, 140) : kTeal);
        p.setPen(QPen(colour, major ? 2.4 : 1.5, Qt::SolidLine, Qt::FlatCap));
        p.drawLine(inner, outer);
    }
    // A thin guide arc just inside the ticks.
    const qreal r = radius - 17.5;
    p.setPen(QPen(QColor(0, 128, 128, 150), 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(centre.x() - r, centre.y() - r, 2 * r, 2 * r),
              int((90 - halfAngleDeg) * 16), int(2 * halfAngleDeg * 16));
}

// Where the meter stands on the banner, tilted a little.
QTransform bannerMeterPlace()
{
    QTransform t;
    t.translate(372, 95);
    t.rotate(-12);
    t.scale(0.92, 0.92);
    return t;
}

const QRectF kBannerMeterBox(-30, -90, 60, 180);

void drawBannerBackground(QPainter& p, const QRectF& r)
{
    p.fillRect(r, vertical(r, QColor(255, 255, 255), QColor(222, 235, 250)));
    // Sound rings spreading from behind the meter.
    // Centred on the microphone ball (17 units below the meter's top).
    const QPointF source = bannerMeterPlace().map(QPointF(0, kBannerMeterBox.top() + 17));
    for (int i = 1; i <= 6; ++i) {
        p.setPen(QPen(QColor(0, 102, 204, 34 - i * 4), 2.0));
        p.setBrush(Qt::NoBrush);
        const qreal rr = 28 + i * 22;
        p.drawEllipse(source, rr, rr);
    }
    // Blue sweep along the bottom edge.
    QPainterPath wave;
    wave.moveTo(0, 172);
    wave.cubicTo(120, 156, 260, 190, 433, 160);
    wave.lineTo(433, 193);
    wave.lineTo(0, 193);
    wave.closeSubpath();
    p.setPen(Qt::NoPen);
    p.fillPath(wave, horizontal(r, QColor(0, 102, 204), QColor(0, 60, 150)));
    QPainterPath crest;
    crest.moveTo(0, 168);
    crest.cubicTo(120, 152, 260, 186, 433, 156);
    p.setPen(QPen(QColor(120, 190, 250), 2.0));
    p.setBrush(Qt::NoBrush);
    p.drawPath(crest);
}

void drawBannerText(QPainter& p)
{
    p.save();
    p.translate(20, 8);
    drawLogo(p, kLogoOnLight);
    p.restore();

    QFont title = font(25, QFont::Black);
    title.setLetterSpacing(QFont::AbsoluteSpacing, 1.0);
    p.setFont(title);
    p.setPen(QColor(0, 40, 110));
    p.drawText(QRectF(24, 66, 290, 34), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("SOUND LEVEL METER"));
    p.fillRect(QRectF(25, 103, 230, 3), horizontal(QRectF(25, 0, 230, 1), QColor(0, 102, 204), QColor(0, 102, 204, 0)));
    p.fillRect(QRectF(25, 103, 40, 3), QColor(255, 143, 0));
}

QImage bannerMeter()
{
    QImage meter = canvas(433, 193);
    {
        QPainter p(&meter);
        antialias(p);
        p.setTransform(bannerMeterPlace());
        drawMeter(p, kBannerMeterBox, QStringLiteral("65.3"));
    }
    return withShadow(meter, QPointF(4, 5), 8, 0.45);
}

}  // namespace

QImage logo()
{
    QImage img = canvas(153, 49);
    QPainter p(&img);
    antialias(p);
    drawLogo(p, kLogoOnBlue);
    return img;
}

QImage meterScale()
{
    QImage img = canvas(250, 65);
    QPainter p(&img);
    antialias(p);
    // Ends at (22, 30) and (228, 30), top at y 6: radius and angle follow from the chord.
    const qreal half = 103, sag = 24;
    const qreal radius = (half * half + sag * sag) / (2 * sag);
    const qreal halfAngle = std::asin(half / radius) * 180 / std::numbers::pi;
    drawScaleTicks(p, QPointF(125, 6 + radius), radius, halfAngle);
    return img;
}

QImage aboutBanner()
{
    QImage img = canvas(433, 193);
    QPainter p(&img);
    antialias(p);
    drawBannerBackground(p, QRectF(0, 0, 433, 193));
    drawBannerText(p);
    p.drawImage(0, 0, bannerMeter());
    return img;
}

QImage appIcon(int size)
{
    QImage img = canvas(size, size);
    {
        QPainter p(&img);
        antialias(p);
        p.scale(size / 256.0, size / 256.0);
        const QRectF tile(16, 12, 224, 224);
        QPainterPath tilePath;
        tilePath.addRoundedRect(tile, 50, 50);
        p.fillPath(tilePath, vertical(tile, QColor(40, 150, 245), QColor(0, 60, 160)));
        gloss(p, tilePath, 0.3);

        const QPointF c(128, 140);
        const qreal r = 78;
        const QRectF arc(c.x() - r, c.y() - r, 2 * r, 2 * r);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(255, 255, 255, 70), 22, Qt::SolidLine, Qt::RoundCap));
        p.drawArc(arc, 210 * 16, -240 * 16);
        QConicalGradient level(c, 210);
        // The arc runs clockwise from the gradient's start, so colours go from 1 down.
        level.setColorAt(0, QColor(110, 240, 200));
        level.setColorAt(0.58, QColor(255, 100, 60));
        level.setColorAt(0.75, QColor(255, 214, 64));
        level.setColorAt(1.0, QColor(110, 240, 200));
        p.setPen(QPen(QBrush(level), 22, Qt::SolidLine, Qt::RoundCap));
        p.drawArc(arc, 210 * 16, -150 * 16);
        p.setPen(QPen(Qt::white, 4, Qt::SolidLine, Qt::RoundCap));
        for (int i = 0; i <= 8; ++i) {
            const qreal a = (210 - i * 30) * std::numbers::pi / 180;
            const QPointF d(std::cos(a), -std::sin(a));
            p.drawLine(c + d * (r - 22), c + d * (r - (i % 2 ? 30 : 36)));
        }
        const qreal a = 60 * std::numbers::pi / 180;
        const QPointF tip = c + QPointF(std::cos(a), -std::sin(a)) * (r - 14);
        p.setPen(QPen(QColor(255, 143, 0), 9, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(c, tip);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawEllipse(c, 14, 14);
        p.setPen(Qt::white);
        p.setFont(font(46, QFont::Black));
        p.drawText(QRectF(64, 164, 128, 56), Qt::AlignCenter, QStringLiteral("dB"));
    }
    return withShadow(img, QPointF(0, size / 64.0), std::max(2, size / 40), 0.5);
}

}  // namespace pelzo::ico
