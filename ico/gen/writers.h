// The two picture files Qt cannot write by itself the way the program needs them: the animated
// GIF clips (Qt has no GIF writer; giflib does the encoding) and the BMP glyphs, which QImage
// writes without alpha, so they are laid over the colour they are shown on first.
#pragma once

#include <QByteArray>
#include <QColor>
#include <QImage>

#include <span>

namespace pelzo::ico {

// An endlessly looping GIF89a of equally timed frames, all of the first frame's size.
// One global palette for the whole clip: the colours themselves when there are at most 255,
// else 255 chosen by giflib's quantiser, plus one transparent index. Pixels with alpha below
// one half become transparent; the others are blended over `matte` so antialiased edges suit
// a light dialog background. Throws std::invalid_argument for an empty or mixed-size clip and
// std::runtime_error when giflib fails.
QByteArray encodeGif(std::span<const QImage> frames, int delayMs, QColor matte);

// A 24-bit BMP of `image` laid over `background`.
QByteArray encodeBmp(const QImage& image, QColor background);

bool writeFile(const QString& path, const QByteArray& bytes);

}  // namespace pelzo::ico
