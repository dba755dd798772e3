// Every picture and clip of the ico/ folder, drawn in memory.
#pragma once

#include <QImage>

#include <vector>

namespace pelzo::ico {

inline constexpr int kToolbarIcons = 8;
QImage toolbarIcon(int index);  // 72 x 72, in toolbar button order

// 16 x 14 glyphs of the title-strip buttons.
QImage maximiseGlyph();  // min.bmp: shown while the window is normal
QImage restoreGlyph();   // max.bmp: shown while the window is maximised
QImage closeGlyph();
QImage minimiseGlyph();

QImage logo();          // 153 x 49, light on transparent
QImage meterScale();    // 250 x 65, teal ticks on transparent
QImage aboutBanner();   // 433 x 193
QImage appIcon(int size);

inline constexpr int kClipDelayMs = 80;
std::vector<QImage> exchangeClip();   // 272 x 60
std::vector<QImage> openClip();       // 260 x 40
std::vector<QImage> palmpilotClip();  // 272 x 60

}  // namespace pelzo::ico
