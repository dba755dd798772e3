// The state the main window holds for everyone: its members, the unit-wide items and the view
// elements that the logic writes. Plain data: the widgets only show it.
#pragma once

#include "app/grid.h"
#include "app/seams.h"
#include "meter/words.h"
#include "monitor/stats.h"

#include <QDateTime>

#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

namespace pelzo {

class RecordFileHandle;

// One line series: point k sits at x = k. `generation` grows on every clear, so a view that
// mirrors the points knows when to start over.
struct Series {
    std::vector<double> y;
    uint64_t generation = 0;
    void clear() { y.clear(); y.shrink_to_fit(); ++generation; }
    void add(double v) { y.push_back(v); }
    size_t count() const { return y.size(); }
};

struct AxisRange {
    double min = 0;
    double max = 300;
};

struct Bar {
    double value = 120;
    Rgb color = MakeRgb(0, 255, 0);
};

struct MainState {
    MainState();
    ~MainState();
    MainState(const MainState&) = delete;
    MainState& operator=(const MainState&) = delete;

    // Members of the main window.
    bool PageAShown = true;
    float MaxLevel = 0;
    float MinLevel = 0;
    uint32_t CurSample = 0;
    std::unique_ptr<RecordFileHandle> RecFile;  // the live record file, or none
    QString RecFileName;
    ReadingTexts LiveTexts;
    ReadingTexts FileTexts;
    Rgb ColorRec = MakeRgb(0, 0, 255);
    Rgb ColorMax = MakeRgb(255, 0, 0);
    Rgb ColorMin = MakeRgb(0, 128, 0);
    bool UsbLinked = false;
    bool Recording = false;
    uint8_t MeterSetup = 0;
    QString TextYear, TextMonth, TextDay, TextHour, TextMinute, TextSecond;

    // Items of the main window's unit.
    QString AppDir;
    QString OpenFileName;
    QDateTime LocalNow;
    uint32_t SampleCount = 0;
    uint32_t ReadingRaw = 0;

    // View elements.
    QString LabelUSBState = QStringLiteral("USB LINK");
    QString Label_DB = QStringLiteral(" 30.0");
    QString Label_LcdStart = QStringLiteral("30");
    QString Label_LcdEnd = QStringLiteral("130");
    QString LabelAC = QStringLiteral("A");
    QString LabelFS;
    StringGrid Grid;
    Series Series_rec, Series_max, Series_min;
    AxisRange Axis;  // horizontal axis of the level chart
    QString ChartTool_Txt;
    QString Label4 = QStringLiteral("129.9");
    Bar Series1;  // the one bar of page B
    LevelStats Stats;  // acoustic statistics of the samples in the views
};

}  // namespace pelzo
