#include "art.h"

#include <QRadialGradient>

#include <algorithm>
#include <cmath>
#include <vector>

namespace pelzo::ico {

QImage canvas(int width, int height)
{
    QImage img(width, height, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    return img;
}

void antialias(QPainter& p)
{
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
}

QFont font(qreal pixelSize, QFont::Weight weight)
{
    QFont f(kFontFamily);
    f.setPixelSize(std::max(1, int(pixelSize + 0.5)));
    f.setWeight(weight);
    f.setHintingPreference(QFont::PreferNoHinting);
    return f;
}

QLinearGradient vertical(const QRectF& r, const QColor& top, const QColor& bottom)
{
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    return g;
}

QLinearGradient horizontal(const QRectF& r, const QColor& left, const QColor& right)
{
    QLinearGradient g(r.topLeft(), r.topRight());
    g.setColorAt(0, left);
    g.setColorAt(1, right);
    return g;
}

namespace {

// One horizontal or vertical box-blur pass over the four premultiplied channels.
void boxPass(const QImage& src, QImage& dst, int radius, bool alongRows)
{
    const int w = src.width(), h = src.height();
    const int lines = alongRows ? h : w;
    const int len = alongRows ? w : h;
    const int window = 2 * radius + 1;
    std::vector<int> sum(4);
    for (int l = 0; l < lines; ++l) {
        auto at = [&](int i) -> QRgb {
            if (i < 0 || i >= len)
                return 0;
            return alongRows ? reinterpret_cast<const QRgb*>(src.constScanLine(l))[i]
                             : reinterpret_cast<const QRgb*>(src.constScanLine(i))[l];
        };
        std::fill(sum.begin(), sum.end(), 0);
        for (int i = -radius; i <= radius; ++i) {
            const QRgb c = at(i);
            sum[0] += qAlpha(c), sum[1] += qRed(c), sum[2] += qGreen(c), sum[3] += qBlue(c);
        }
        for (int i = 0; i < len; ++i) {
            const QRgb out = qRgba(sum[1] / window, sum[2] / window, sum[3] / window, sum[0] / window);
            if (alongRows)
                reinterpret_cast<QRgb*>(dst.scanLine(l))[i] = out;
            else
                reinterpret_cast<QRgb*>(dst.scanLine(i))[l] = out;
            const QRgb gone = at(i - radius), come = at(i + radius + 1);
            sum[0] += qAlpha(come) - qAlpha(gone);
            sum[1] += qRed(come) - qRed(gone);
            sum[2] += qGreen(come) - qGreen(gone);
            sum[3] += qBlue(come) - qBlue(gone);
        }
    }
}

}  // namespace

QImage blurred(const QImage& image, int radius)
{
    QImage a = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (radius <= 0)
        return a;
    QImage b(a.size(), a.format());
    const int r = std::max(1, radius / 2);
    for (int pass = 0; pass < 3; ++pass) {
        boxPass(a, b, r, true);
        boxPass(b, a, r, false);
    }
    return a;
}

QImage withShadow(const QImage& image, QPointF offset, int blurRadius, qreal opacity)
{
    QImage shadow = canvas(image.width(), image.height());
    {
        QPainter p(&shadow);
        p.drawImage(offset, image);
        p.setCompositionMode(QPainter::CompositionMode_SourceIn);
        p.fillRect(shadow.rect(), QColor(0, 20, 50));
    }
    shadow = blurred(shadow, blurRadius);
    QImage out = canvas(image.width(), image.height());
    QPainter p(&out);
    p.setOpacity(opacity);
    p.drawImage(0, 0, shadow);
    p.setOpacity(1);
    p.drawImage(0, 0, image);
    return out;
}

void gloss(QPainter& p, const QPainterPath& shape, qreal strength)
{
    const QRectF r = shape.boundingRect();
    p.save();
    p.setClipPath(shape, Qt::IntersectClip);
    QLinearGradient g(r.topLeft(), QPointF(r.left(), r.top() + r.height() * 0.55));
    g.setColorAt(0, QColor(255, 255, 255, int(255 * strength)));
    g.setColorAt(1, QColor(255, 255, 255, 0));
    QPainterPath cap;
    cap.addEllipse(QRectF(r.left() - r.width() * 0.25, r.top() - r.height() * 0.55,
                          r.width() * 1.5, r.height() * 1.05));
    p.fillPath(cap, g);
    p.restore();
}

void drawDocument(QPainter& p, const QRectF& target, bool withChart)
{
    inBox(p, target, kDocumentSize, [withChart](QPainter& q) {
        QPainterPath page;
        page.moveTo(1, 1);
        page.lineTo(16, 1);
        page.lineTo(23, 8);
        page.lineTo(23, 29);
        page.lineTo(1, 29);
        page.closeSubpath();
        q.setPen(QPen(QColor(120, 140, 165), 0.8));
        q.setBrush(vertical(QRectF(0, 0, 24, 30), Qt::white, QColor(226, 233, 242)));
        q.drawPath(page);
        QPainterPath fold;
        fold.moveTo(16, 1);
        fold.lineTo(16, 8);
        fold.lineTo(23, 8);
        fold.closeSubpath();
        q.setBrush(vertical(QRectF(16, 1, 7, 7), QColor(250, 252, 255), QColor(190, 203, 220)));
        q.drawPath(fold);
        if (withChart) {
            q.setPen(QPen(QColor(170, 185, 205), 0.6));
            q.drawLine(QPointF(5, 24.5), QPointF(19, 24.5));
            q.drawLine(QPointF(5, 12), QPointF(5, 24.5));
            QPainterPath line;
            line.moveTo(5.5, 21);
            line.cubicTo(8, 14, 10, 23, 12.5, 17);
            line.cubicTo(14.5, 12.5, 16, 19, 19, 14);
            q.setBrush(Qt::NoBrush);
            q.setPen(QPen(QColor(25, 118, 210), 1.3, Qt::SolidLine, Qt::RoundCap));
            q.drawPath(line);
            return;
        }
        q.setPen(QPen(QColor(150, 168, 190), 1.2, Qt::SolidLine, Qt::RoundCap));
        for (int i = 0; i < 5; ++i) {
            const qreal y = 11.5 + i * 3.6;
            const qreal right = i == 0 ? 13.5 : (i == 4 ? 14 : 19);
            q.drawLine(QPointF(5, y), QPointF(right, y));
        }
    });
}

void drawFolderBack(QPainter& p, const QRectF& target)
{
    inBox(p, target, kFolderSize, [](QPainter& q) {
        QPainterPath back;
        back.moveTo(2, 7);
        back.quadTo(2, 4, 5, 4);
        back.lineTo(19, 4);
        back.quadTo(21, 4, 22.5, 6);
        back.lineTo(24.5, 8.5);
        back.lineTo(55, 8.5);
        back.quadTo(58, 8.5, 58, 11.5);
        back.lineTo(58, 41);
        back.quadTo(58, 44, 55, 44);
        back.lineTo(5, 44);
        back.quadTo(2, 44, 2, 41);
        back.closeSubpath();
        q.setPen(QPen(QColor(196, 110, 0), 0.8));
        q.setBrush(vertical(QRectF(0, 4, 60, 40), QColor(255, 183, 77), QColor(230, 120, 0)));
        q.drawPath(back);
    });
}

void drawFolderFront(QPainter& p, const QRectF& target, qreal openness)
{
    inBox(p, target, kFolderSize, [openness](QPainter& q) {
        const qreal o = std::clamp(openness, 0.0, 1.0);
        const qreal top = 15 + 11 * o;
        QPainterPath front;
        front.moveTo(2 + 7 * o + 2, top);
        front.lineTo(58 - 2, top);
        front.quadTo(58, top, 58, top + 2);
        front.lineTo(58 - 6 * o, 41.5);
        front.quadTo(58 - 6 * o, 44, 55 - 6 * o, 44);
        front.lineTo(5, 44);
        front.quadTo(2, 44, 2, 41.5);
        front.lineTo(2 + 7 * o, top + 2);
        front.quadTo(2 + 7 * o, top, 2 + 7 * o + 2, top);
        front.closeSubpath();
        q.setPen(QPen(QColor(214, 140, 0), 0.8));
        q.setBrush(vertical(QRectF(0, top, 60, 44 - top), QColor(255, 224, 130), QColor(255, 179, 0)));
        q.drawPath(front);
        q.setPen(QPen(QColor(255, 248, 220, 200), 0.9));
        q.drawLine(QPointF(4 + 7 * o, top + 1.2), QPointF(56, top + 1.2));
    });
}

namespace {

void drawMicrophone(QPainter& q)
{
    // Windscreen ball, collar and the tapering preamplifier.
    QRadialGradient ball(QPointF(30, 17), 15, QPointF(24.5, 11));
    ball.setColorAt(0, QColor(250, 250, 250));
    ball.setColorAt(0.55, QColor(196, 199, 204));
    ball.setColorAt(1, QColor(105, 110, 118));
    q.setPen(QPen(QColor(80, 84, 90), 0.7));
    q.setBrush(ball);
    q.drawEllipse(QPointF(30, 17), 15, 15);

    QPainterPath neck;
    neck.moveTo(25, 33);
    neck.lineTo(35, 33);
    neck.lineTo(38.5, 52);
    neck.lineTo(21.5, 52);
    neck.closeSubpath();
    QLinearGradient metal(QPointF(21, 0), QPointF(39, 0));
    metal.setColorAt(0, QColor(110, 116, 124));
    metal.setColorAt(0.4, QColor(235, 238, 241));
    metal.setColorAt(1, QColor(92, 98, 106));
    q.setPen(QPen(QColor(70, 75, 82), 0.6));
    q.setBrush(metal);
    q.drawPath(neck);
    q.drawRoundedRect(QRectF(23.5, 30.5, 13, 4), 1, 1);
}

QPainterPath meterBody()
{
    QPainterPath body;
    body.moveTo(17, 50);
    body.lineTo(43, 50);
    body.cubicTo(50, 50, 57, 64, 57, 80);
    body.lineTo(57, 169);
    body.quadTo(57, 178, 48, 178);
    body.lineTo(12, 178);
    body.quadTo(3, 178, 3, 169);
    body.lineTo(3, 80);
    body.cubicTo(3, 64, 10, 50, 17, 50);
    body.closeSubpath();
    return body;
}

void drawDisplay(QPainter& q, const QString& reading, bool lit)
{
    q.setPen(Qt::NoPen);
    q.setBrush(QColor(16, 20, 25));
    q.drawRoundedRect(QRectF(9.5, 83.5, 41, 35), 3.5, 3.5);
    const QRectF lcd(12, 86, 36, 30);
    q.setBrush(lit ? vertical(lcd, QColor(222, 236, 196), QColor(170, 196, 138))
                   : vertical(lcd, QColor(150, 165, 130), QColor(118, 136, 100)));
    q.drawRoundedRect(lcd, 2, 2);
    const QColor ink(28, 40, 22);
    // Bar graph along the top of the display.
    for (int i = 0; i < 14; ++i) {
        QColor seg = ink;
        seg.setAlpha(i < 9 ? 235 : 45);
        q.setBrush(seg);
        q.drawRect(QRectF(14 + i * 2.3, 89, 1.5, 2.6));
    }
    q.setPen(ink);
    q.setFont(font(12.5, QFont::Bold));
    q.drawText(QRectF(12, 91, 31, 18), Qt::AlignRight | Qt::AlignVCenter, reading);
    q.setFont(font(5, QFont::Bold));
    q.drawText(QRectF(12, 106, 34, 9), Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("dBA"));
    q.drawText(QRectF(14, 106, 20, 9), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("FAST"));
}

void drawButton(QPainter& q, const QRectF& r, const QColor& top, const QColor& bottom)
{
    q.setPen(QPen(QColor(12, 15, 18), 0.6));
    q.setBrush(vertical(r, top, bottom));
    const qreal radius = std::min(r.width(), r.height()) / 2;
    q.drawRoundedRect(r, radius, radius);
}

void drawKeys(QPainter& q)
{
    const QColor keyTop(226, 230, 235), keyBottom(146, 155, 166);
    for (int i = 0; i < 3; ++i)
        drawButton(q, QRectF(12.5 + i * 12.5, 124, 10, 7), keyTop, keyBottom);
    drawButton(q, QRectF(12.5, 136, 16, 7), keyTop, keyBottom);
    drawButton(q, QRectF(31.5, 136, 16, 7), QColor(255, 213, 79), QColor(230, 150, 0));
    drawButton(q, QRectF(25, 149, 10, 10), QColor(255, 120, 110), QColor(190, 30, 30));
    q.setPen(QPen(QColor(255, 255, 255, 40), 1.0, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < 3; ++i)
        q.drawLine(QPointF(20, 165 + i * 3), QPointF(40, 165 + i * 3));
}

}  // namespace

void drawMeter(QPainter& p, const QRectF& target, const QString& reading, bool displayLit)
{
    inBox(p, target, kMeterSize, [&](QPainter& q) {
        drawMicrophone(q);
        const QPainterPath body = meterBody();
        QLinearGradient shell(QPointF(3, 0), QPointF(57, 0));
        shell.setColorAt(0, QColor(40, 47, 56));
        shell.setColorAt(0.3, QColor(78, 89, 103));
        shell.setColorAt(0.7, QColor(55, 64, 75));
        shell.setColorAt(1, QColor(26, 31, 38));
        q.setPen(QPen(QColor(15, 18, 22), 1.0));
        q.setBrush(shell);
        q.drawPath(body);
        // A lighter face plate with a thin accent line.
        q.setPen(QPen(QColor(0, 150, 220), 0.8));
        q.setBrush(vertical(QRectF(7, 78, 46, 96), QColor(70, 80, 93), QColor(44, 51, 60)));
        q.drawRoundedRect(QRectF(7, 78, 46, 96), 6, 6);
        gloss(q, body, 0.18);
        drawDisplay(q, reading, displayLit);
        drawKeys(q);
    });
}

void drawMonitor(QPainter& p, const QRectF& target, qreal progress, qreal tracePhase)
{
    inBox(p, target, kMonitorSize, [progress, tracePhase](QPainter& q) {
        // Stand first, the screen overlaps it.
        QPainterPath neck;
        neck.moveTo(27, 41);
        neck.lineTo(37, 41);
        neck.lineTo(39.5, 50);
        neck.lineTo(24.5, 50);
        neck.closeSubpath();
        q.setPen(QPen(QColor(90, 96, 104), 0.6));
        q.setBrush(horizontal(QRectF(24, 0, 16, 1), QColor(150, 156, 164), QColor(215, 219, 224)));
        q.drawPath(neck);
        q.setBrush(vertical(QRectF(15, 49, 34, 5), QColor(225, 229, 233), QColor(140, 147, 156)));
        q.drawRoundedRect(QRectF(15, 49, 34, 5), 2.5, 2.5);

        const QRectF bezel(2, 2, 60, 40);
        q.setPen(QPen(QColor(20, 24, 30), 0.8));
        q.setBrush(vertical(bezel, QColor(78, 86, 98), QColor(34, 39, 47)));
        q.drawRoundedRect(bezel, 3.5, 3.5);
        const QRectF screen(5, 5, 54, 33);
        q.setPen(Qt::NoPen);
        q.setBrush(vertical(screen, QColor(100, 200, 250), QColor(2, 110, 185)));
        q.drawRect(screen);
        // Window chrome on the screen.
        q.setBrush(QColor(255, 255, 255, 210));
        q.drawRect(QRectF(9, 9, 46, 20));
        q.setBrush(QColor(13, 71, 161, 220));
        q.drawRect(QRectF(9, 9, 46, 3.5));
        q.setPen(QPen(QColor(25, 118, 210), 1.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        q.setBrush(Qt::NoBrush);
        QPainterPath trace;
        for (int i = 0; i <= 20; ++i) {
            const qreal k = i + tracePhase;
            const QPointF pt(11 + i * 2.1, 22 - 3 * std::sin(k * 1.1) - 2 * std::sin(k * 0.43 + 1));
            i == 0 ? trace.moveTo(pt) : trace.lineTo(pt);
        }
        q.drawPath(trace);
        if (progress >= 0) {
            q.setPen(Qt::NoPen);
            q.setBrush(QColor(255, 255, 255, 110));
            q.drawRoundedRect(QRectF(9, 31.5, 46, 4), 2, 2);
            q.setBrush(QColor(130, 255, 140));
            q.drawRoundedRect(QRectF(9, 31.5, 46 * std::clamp(progress, 0.0, 1.0), 4), 2, 2);
        }
        QPainterPath sheen;
        sheen.moveTo(5, 5);
        sheen.lineTo(36, 5);
        sheen.lineTo(18, 38);
        sheen.lineTo(5, 38);
        sheen.closeSubpath();
        q.fillPath(sheen, QColor(255, 255, 255, 28));
    });
}

}  // namespace pelzo::ico
