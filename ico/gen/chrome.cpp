// Glyphs of the title-strip buttons: white lines (red for close) on transparent, drawn on the
// pixel grid so they stay crisp at 1:1.
#include "art.h"
#include "pictures.h"

namespace pelzo::ico {
namespace {

constexpr int kWidth = 16, kHeight = 14;
const QColor kGlyph(255, 255, 255);

// A window outline with the thicker title edge of a maximise glyph.
void windowOutline(QPainter& p, const QRect& r)
{
    p.fillRect(QRect(r.left(), r.top(), r.width(), 2), kGlyph);
    p.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), kGlyph);
    p.fillRect(QRect(r.left(), r.top(), 1, r.height()), kGlyph);
    p.fillRect(QRect(r.right(), r.top(), 1, r.height()), kGlyph);
}

}  // namespace

QImage maximiseGlyph()
{
    QImage img = canvas(kWidth, kHeight);
    QPainter p(&img);
    windowOutline(p, QRect(3, 2, 10, 10));
    return img;
}

QImage restoreGlyph()
{
    QImage img = canvas(kWidth, kHeight);
    QPainter p(&img);
    windowOutline(p, QRect(6, 1, 8, 8));
    const QRect front(2, 5, 8, 8);
    p.setCompositionMode(QPainter::CompositionMode_Clear);
    p.fillRect(front.adjusted(-1, -1, 1, 1), Qt::transparent);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    windowOutline(p, front);
    return img;
}

QImage closeGlyph()
{
    QImage img = canvas(kWidth, kHeight);
    QPainter p(&img);
    antialias(p);
    const QLineF a(4, 3, 12, 11), b(12, 3, 4, 11);
    p.setPen(QPen(QColor(255, 255, 255, 235), 4.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(a);
    p.drawLine(b);
    p.setPen(QPen(QColor(220, 20, 20), 2.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(a);
    p.drawLine(b);
    return img;
}

QImage minimiseGlyph()
{
    QImage img = canvas(kWidth, kHeight);
    QPainter p(&img);
    p.fillRect(QRect(3, 10, 10, 2), kGlyph);
    return img;
}

}  // namespace pelzo::ico
