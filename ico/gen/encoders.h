// Writers for the two picture formats Qt cannot produce the way the program needs them:
// animated GIF (Qt has no GIF writer) and 32-bit BMP with an alpha channel (Qt writes 24-bit).
#pragma once

#include <QByteArray>
#include <QColor>
#include <QImage>

#include <span>

namespace pelzo::ico {

// An endlessly looping GIF89a of equally timed frames, all of the first frame's size.
// One global palette for the whole clip: up to 255 colours (median cut when there are more)
// plus one transparent index. Pixels with alpha below one half become transparent; the others
// are blended over `matte` so antialiased edges suit a light dialog background.
QByteArray encodeGif(std::span<const QImage> frames, int delayMs, QColor matte);

// GIF LZW-compressed image data (the bytes after the minimum code size, without sub-blocks).
QByteArray lzwCompress(std::span<const quint8> indices, int minCodeSize);

// A BMP with a BITMAPV4HEADER, 32 bits per pixel and an alpha mask. Fully transparent pixels
// carry `hidden` as their colour, so readers that ignore alpha still show a fitting background.
QByteArray encodeBmp32(const QImage& image, QColor hidden);

bool writeFile(const QString& path, const QByteArray& bytes);

}  // namespace pelzo::ico
