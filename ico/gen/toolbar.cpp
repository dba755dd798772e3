// The eight 72 x 72 toolbar icons. They sit on the toolbar blue, so every shape has a light rim
// or a light body and a soft shadow to stand off it.
#include "art.h"
#include "pictures.h"

#include <QRadialGradient>

#include <array>
#include <cmath>
#include <functional>
#include <numbers>
#include <stdexcept>

namespace pelzo::ico {
namespace {

constexpr int kSize = 72;

void drawOpenFile(QPainter& p)
{
    const QRectF folder(7, 14, 58, 44.5);
    drawFolderBack(p, folder);
    p.save();
    p.translate(34, 26);
    p.rotate(-9);
    drawDocument(p, QRectF(-15, -19, 27, 34));
    p.restore();
    p.save();
    p.translate(40, 27);
    p.rotate(7);
    drawDocument(p, QRectF(-12, -16, 25, 31), true);
    p.restore();
    drawFolderFront(p, folder, 0.6);
}

void drawSaveFile(QPainter& p)
{
    QPainterPath body;
    body.moveTo(14, 9);
    body.lineTo(53, 9);
    body.lineTo(63, 19);
    body.lineTo(63, 59);
    body.quadTo(63, 63, 59, 63);
    body.lineTo(13, 63);
    body.quadTo(9, 63, 9, 59);
    body.lineTo(9, 14);
    body.quadTo(9, 9, 14, 9);
    body.closeSubpath();
    p.setPen(QPen(QColor(18, 26, 32), 1.0));
    p.setBrush(vertical(QRectF(9, 9, 54, 54), QColor(84, 110, 122), QColor(38, 50, 56)));
    p.drawPath(body);
    gloss(p, body, 0.22);

    // Metal shutter with its window.
    const QRectF shutter(20, 9.5, 29, 18);
    p.setPen(QPen(QColor(96, 110, 120), 0.8));
    QLinearGradient metal(shutter.topLeft(), shutter.topRight());
    metal.setColorAt(0, QColor(176, 190, 197));
    metal.setColorAt(0.45, QColor(245, 247, 248));
    metal.setColorAt(1, QColor(144, 164, 174));
    p.setBrush(metal);
    p.drawRoundedRect(shutter, 1.5, 1.5);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(38, 50, 56));
    p.drawRoundedRect(QRectF(38, 13, 6.5, 11), 1, 1);

    // Label.
    const QRectF label(15, 35, 42, 28);
    p.setPen(QPen(QColor(160, 170, 180), 0.6));
    p.setBrush(vertical(label, Qt::white, QColor(225, 232, 238)));
    p.drawRoundedRect(label.adjusted(0, 0, 0, 2), 2, 2);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(229, 57, 53));
    p.drawRect(QRectF(15.3, 35.3, 41.4, 4));
    p.setPen(QPen(QColor(150, 165, 180), 1.4, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < 3; ++i)
        p.drawLine(QPointF(20, 45.5 + i * 5.5), QPointF(i == 2 ? 40 : 52, 45.5 + i * 5.5));
}

void drawRecording(QPainter& p)
{
    const QRectF bezel(7, 12, 56, 40);
    p.setPen(QPen(QColor(12, 20, 30), 1.0));
    p.setBrush(vertical(bezel, QColor(236, 240, 244), QColor(160, 172, 186)));
    p.drawRoundedRect(bezel, 6, 6);
    const QRectF screen = bezel.adjusted(4, 4, -4, -4);
    p.setPen(Qt::NoPen);
    p.setBrush(vertical(screen, QColor(20, 52, 74), QColor(8, 24, 36)));
    p.drawRoundedRect(screen, 3, 3);
    // Grid and the level trace.
    p.setPen(QPen(QColor(80, 160, 200, 60), 0.7));
    for (int i = 1; i < 4; ++i)
        p.drawLine(QPointF(screen.left(), screen.top() + i * screen.height() / 4),
                   QPointF(screen.right(), screen.top() + i * screen.height() / 4));
    QPainterPath wave;
    const qreal mid = screen.center().y();
    for (int i = 0; i <= 44; ++i) {
        const qreal x = screen.left() + 1 + i * (screen.width() - 2) / 44.0;
        const qreal env = std::sin(i / 44.0 * std::numbers::pi);
        const qreal y = mid - env * 11 * std::sin(i * 0.95) * (0.6 + 0.4 * std::cos(i * 0.37));
        i == 0 ? wave.moveTo(x, y) : wave.lineTo(x, y);
    }
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(77, 208, 225, 90), 3.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(wave);
    p.setPen(QPen(QColor(160, 245, 255), 1.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(wave);

    // Record dot with a white ring.
    const QPointF c(52, 51);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(c, 13, 13);
    QRadialGradient red(c, 11, QPointF(c.x() - 3, c.y() - 4));
    red.setColorAt(0, QColor(255, 140, 130));
    red.setColorAt(0.5, QColor(235, 40, 40));
    red.setColorAt(1, QColor(170, 10, 10));
    p.setBrush(red);
    p.drawEllipse(c, 10.5, 10.5);
    QPainterPath dot;
    dot.addEllipse(c, 10.5, 10.5);
    gloss(p, dot, 0.5);
}

void drawCard(QPainter& p, const QRectF& r)
{
    p.setPen(QPen(QColor(70, 90, 115), 0.9));
    p.setBrush(vertical(r, Qt::white, QColor(218, 228, 240)));
    p.drawRoundedRect(r, 3, 3);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(30, 136, 229));
    QPainterPath bar;
    bar.addRoundedRect(QRectF(r.left() + 0.5, r.top() + 0.5, r.width() - 1, 6), 2.5, 2.5);
    p.drawPath(bar);
}

// An arrow along a circle from angle `from` to `to` (degrees, counter-clockwise), head at `to`.
void arcArrow(QPainter& p, QPointF c, qreal r, qreal from, qreal to)
{
    const QRectF box(c.x() - r, c.y() - r, 2 * r, 2 * r);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Qt::white, 2.3, Qt::SolidLine, Qt::FlatCap));
    p.drawArc(box, int(from * 16), int((to - from) * 16));
    const qreal a = to * std::numbers::pi / 180;
    const QPointF tip = c + QPointF(std::cos(a), -std::sin(a)) * r;
    const QPointF tangent(-std::sin(a), -std::cos(a));  // direction of travel
    const QPointF normal(std::cos(a), -std::sin(a));
    QPainterPath head;
    head.moveTo(tip + tangent * 4.2);
    head.lineTo(tip + normal * 3.6);
    head.lineTo(tip - normal * 3.6);
    head.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawPath(head);
}

void drawSwapBadge(QPainter& p, QPointF c, qreal r)
{
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(c, r, r);
    QRadialGradient green(c, r, QPointF(c.x() - 3, c.y() - 4));
    green.setColorAt(0, QColor(129, 214, 96));
    green.setColorAt(1, QColor(46, 125, 50));
    p.setBrush(green);
    p.drawEllipse(c, r - 2, r - 2);
    arcArrow(p, c, r - 6, 20, 150);
    arcArrow(p, c, r - 6, 200, 330);
}

void drawSwitchPage(QPainter& p)
{
    // Back page: the chart; front page: the big digits.
    const QRectF back(7, 8, 40, 32);
    drawCard(p, back);
    QPainterPath line;
    line.moveTo(11, 34);
    line.cubicTo(17, 22, 21, 33, 27, 24);
    line.cubicTo(32, 17, 36, 28, 43, 19);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(25, 118, 210), 1.8, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(line);

    const QRectF front(25, 28, 40, 32);
    drawCard(p, front);
    p.setPen(QColor(21, 101, 192));
    p.setFont(font(17, QFont::Black));
    p.drawText(front.adjusted(0, 6, -9, 0), Qt::AlignCenter, QStringLiteral("88"));
    p.setBrush(QColor(67, 160, 71));
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 4; ++i)
        p.drawRect(QRectF(58, 55.5 - i * 5, 3.5, 3.5 + i * 0.0));

    drawSwapBadge(p, QPointF(18, 53), 13);
}

QPainterPath gearPath(QPointF c, qreal outer, qreal inner, int teeth)
{
    QPainterPath gear;
    for (int i = 0; i < teeth * 4; ++i) {
        const qreal a = (i - 0.5) * std::numbers::pi / (teeth * 2);
        const qreal r = (i % 4 < 2) ? outer : inner;
        const QPointF pt(c.x() + r * std::cos(a), c.y() + r * std::sin(a));
        i == 0 ? gear.moveTo(pt) : gear.lineTo(pt);
    }
    gear.closeSubpath();
    QPainterPath hole;
    hole.addEllipse(c, inner * 0.38, inner * 0.38);
    return gear.subtracted(hole);
}

void drawGauge(QPainter& p, QPointF c, qreal r)
{
    QLinearGradient rim(QPointF(c.x(), c.y() - r), QPointF(c.x(), c.y() + r));
    rim.setColorAt(0, QColor(250, 251, 252));
    rim.setColorAt(1, QColor(140, 152, 166));
    p.setPen(QPen(QColor(30, 45, 60), 0.9));
    p.setBrush(rim);
    p.drawEllipse(c, r, r);
    p.setPen(Qt::NoPen);
    p.setBrush(vertical(QRectF(c.x() - r, c.y() - r, 2 * r, 2 * r), QColor(255, 255, 255), QColor(222, 230, 238)));
    p.drawEllipse(c, r - 3.5, r - 3.5);
    // Coloured scale band: green, amber, red.
    const QRectF band(c.x() - r + 8, c.y() - r + 8, 2 * r - 16, 2 * r - 16);
    const std::array<std::pair<int, QColor>, 3> parts{{{120, QColor(67, 160, 71)},
                                                       {60, QColor(255, 179, 0)},
                                                       {50, QColor(229, 57, 53)}}};
    int start = 215;
    for (const auto& [span, colour] : parts) {
        p.setPen(QPen(colour, 4.5, Qt::SolidLine, Qt::FlatCap));
        p.drawArc(band, start * 16, -span * 16);
        start -= span;
    }
    p.setPen(QPen(QColor(55, 71, 79), 1.2, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i <= 10; ++i) {
        const qreal a = (215 - i * 25) * std::numbers::pi / 180;
        const qreal r1 = r - 13.5, r2 = r - (i % 2 ? 16 : 18);
        p.drawLine(QPointF(c.x() + r1 * std::cos(a), c.y() - r1 * std::sin(a)),
                   QPointF(c.x() + r2 * std::cos(a), c.y() - r2 * std::sin(a)));
    }
    // Needle.
    const qreal a = 50 * std::numbers::pi / 180;
    const QPointF tip(c.x() + (r - 10) * std::cos(a), c.y() - (r - 10) * std::sin(a));
    p.setPen(QPen(QColor(198, 40, 40), 2.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(c, tip);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(38, 50, 56));
    p.drawEllipse(c, 3.6, 3.6);
}

void drawSetupMeter(QPainter& p)
{
    drawGauge(p, QPointF(33, 33), 26);
    const QPointF gc(51, 51);
    const QPainterPath gear = gearPath(gc, 15, 11.2, 9);
    p.setPen(QPen(Qt::white, 2.4));
    p.setBrush(Qt::NoBrush);
    p.drawPath(gear);
    QLinearGradient steel(QPointF(gc.x(), gc.y() - 15), QPointF(gc.x(), gc.y() + 15));
    steel.setColorAt(0, QColor(176, 190, 197));
    steel.setColorAt(1, QColor(69, 90, 100));
    p.setPen(QPen(QColor(38, 50, 56), 0.8));
    p.setBrush(steel);
    p.drawPath(gear);
    gloss(p, gear, 0.35);
}

void drawSdCard(QPainter& p)
{
    QPainterPath card;
    card.moveTo(17, 7);
    card.lineTo(46, 7);
    card.lineTo(57, 18);
    card.lineTo(57, 61);
    card.quadTo(57, 65, 53, 65);
    card.lineTo(19, 65);
    card.quadTo(15, 65, 15, 61);
    card.lineTo(15, 36);
    card.lineTo(17, 34);
    card.lineTo(17, 27);
    card.lineTo(15, 25);
    card.lineTo(15, 9);
    card.quadTo(15, 7, 17, 7);
    card.closeSubpath();
    p.setPen(QPen(QColor(8, 14, 20), 1.0));
    p.setBrush(vertical(QRectF(15, 7, 42, 58), QColor(69, 82, 98), QColor(25, 32, 42)));
    p.drawPath(card);
    gloss(p, card, 0.2);
    // Contacts.
    QLinearGradient gold(QPointF(0, 10), QPointF(0, 22));
    gold.setColorAt(0, QColor(255, 236, 150));
    gold.setColorAt(1, QColor(214, 150, 20));
    p.setPen(Qt::NoPen);
    p.setBrush(gold);
    for (int i = 0; i < 6; ++i) {
        const qreal x = 20 + i * 5.3;
        const qreal top = x + 4 > 46 ? 10 + (x + 4 - 46) : 10;
        p.drawRoundedRect(QRectF(x, top, 3.6, 22 - top), 0.8, 0.8);
    }
    // Label with the card's mark.
    const QRectF label(19.5, 30, 33, 30);
    p.setBrush(vertical(label, QColor(79, 195, 247), QColor(2, 119, 189)));
    p.drawRoundedRect(label, 3, 3);
    p.setPen(Qt::white);
    p.setFont(font(17, QFont::Black));
    p.drawText(label.adjusted(0, -2, 0, -2), Qt::AlignCenter, QStringLiteral("SD"));
    p.setPen(QPen(QColor(255, 255, 255, 170), 1.2));
    p.drawLine(QPointF(24, 54), QPointF(48, 54));
}

void drawPrintChart(QPainter& p)
{
    // Paper going in at the back, with a chart on it.
    const QRectF sheet(18, 5, 36, 30);
    p.setPen(QPen(QColor(120, 140, 160), 0.8));
    p.setBrush(vertical(sheet, Qt::white, QColor(232, 238, 245)));
    p.drawRect(sheet);
    QPainterPath line;
    line.moveTo(22, 24);
    line.cubicTo(27, 11, 31, 23, 36, 15);
    line.cubicTo(40, 9, 44, 20, 50, 12);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(229, 57, 53), 1.8, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(line);
    p.setPen(QPen(QColor(30, 136, 229), 1.4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(22, 27), QPointF(50, 27));

    // Printer body.
    const QRectF body(6, 27, 60, 27);
    p.setPen(QPen(QColor(38, 50, 56), 1.0));
    p.setBrush(vertical(body, QColor(245, 247, 249), QColor(158, 172, 186)));
    p.drawRoundedRect(body, 5, 5);
    QPainterPath bodyPath;
    bodyPath.addRoundedRect(body, 5, 5);
    gloss(p, bodyPath, 0.5);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(55, 71, 79));
    p.drawRoundedRect(QRectF(14, 44, 44, 4), 2, 2);
    p.setBrush(QColor(100, 221, 23));
    p.drawEllipse(QPointF(58, 35), 2.2, 2.2);

    // Printed page coming out at the front.
    QPainterPath out;
    out.moveTo(17, 46);
    out.lineTo(55, 46);
    out.lineTo(57, 65);
    out.lineTo(15, 65);
    out.closeSubpath();
    p.setPen(QPen(QColor(120, 140, 160), 0.8));
    p.setBrush(vertical(QRectF(15, 46, 42, 19), Qt::white, QColor(226, 233, 242)));
    p.drawPath(out);
    QPainterPath printed;
    printed.moveTo(21, 61);
    printed.cubicTo(26, 52, 30, 60, 35, 55);
    printed.cubicTo(39, 51, 44, 58, 51, 52);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(30, 136, 229), 1.6, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(printed);
}

void drawAbout(QPainter& p)
{
    const QPointF c(36, 36);
    p.setPen(Qt::NoPen);
    p.setBrush(vertical(QRectF(8, 8, 56, 56), Qt::white, QColor(200, 214, 228)));
    p.drawEllipse(c, 28, 28);
    QRadialGradient blue(c, 25, QPointF(c.x() - 6, c.y() - 10));
    blue.setColorAt(0, QColor(100, 200, 255));
    blue.setColorAt(0.6, QColor(21, 130, 220));
    blue.setColorAt(1, QColor(10, 75, 160));
    p.setBrush(blue);
    p.drawEllipse(c, 24.5, 24.5);
    QPainterPath disc;
    disc.addEllipse(c, 24.5, 24.5);
    gloss(p, disc, 0.45);
    // The "i": dot, and a stem with small serifs.
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(36.5, 22.5), 4.6, 4.6);
    QPainterPath stem;
    stem.moveTo(29, 31);
    stem.lineTo(40.5, 31);
    stem.lineTo(40.5, 49);
    stem.lineTo(44, 49);
    stem.lineTo(44, 53.5);
    stem.lineTo(29, 53.5);
    stem.lineTo(29, 49);
    stem.lineTo(32.5, 49);
    stem.lineTo(32.5, 35.5);
    stem.lineTo(29, 35.5);
    stem.closeSubpath();
    p.drawPath(stem);
}

}  // namespace

QImage toolbarIcon(int index)
{
    static const std::array<std::function<void(QPainter&)>, kToolbarIcons> painters{
        drawOpenFile, drawSaveFile, drawRecording, drawSwitchPage,
        drawSetupMeter, drawSdCard, drawPrintChart, drawAbout};
    if (index < 0 || index >= kToolbarIcons)
        throw std::out_of_range("no such toolbar icon");
    QImage icon = canvas(kSize, kSize);
    {
        QPainter p(&icon);
        antialias(p);
        painters[size_t(index)](p);
    }
    return withShadow(icon, QPointF(0, 2), 5, 0.55);
}

}  // namespace pelzo::ico
