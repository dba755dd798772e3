// Noise assessment of a recording: exposure (dose, TWA, LEX,8h), levels with their times, an
// hourly table, the day/evening/night indicators and the runs over a threshold. Built one sample
// at a time in amortised O(1), so a live recording keeps it current in the tick.
#pragma once

#include <QDate>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace pelzo::assess {

// ---- formulas -----------------------------------------------------------------------------

struct DoseRule {
    double criterion;  // dB: the level allowed for 8 h
    double exchange;   // dB that halve the allowed time
    double threshold;  // dB: quieter samples do not count
    double twaFactor;  // TWA = twaFactor * lg(D / 100) + criterion
};

inline constexpr DoseRule OshaPel{90, 5, 90, 16.61};
inline constexpr DoseRule OshaHc{90, 5, 80, 16.61};
inline constexpr DoseRule Niosh{85, 3, 80, 10};

// Hours a level may last under the rule: 8 h / 2^((L - criterion) / exchange).
double AllowedHours(double level, const DoseRule& r);
// Dose in percent: its TWA, absent for a dose of 0.
std::optional<double> TwaOfDose(double dosePercent, const DoseRule& r);
// LEX,8h = LAeq + 10 lg(T / 8 h).
double Lex8h(double laeq, double seconds);
// Lden = 10 lg[(12·10^(Ld/10) + 4·10^((Le+5)/10) + 8·10^((Ln+10)/10)) / 24].
double Lden(double ld, double le, double ln);
// US DNL: 15 h of day, 9 h of night with +10 dB.
double Ldn(double ld, double ln);

// ---- time -----------------------------------------------------------------------------------

// A local time as whole seconds counted from Julian day 0 (no time zone, no daylight saving).
using Stamp = int64_t;
constexpr Stamp StampOf(int64_t julianDay, int secondOfDay) { return julianDay * 86400 + secondOfDay; }
// "2026-03-04T23:00:00".
QString IsoText(Stamp t);
QDate DateOf(Stamp t);
int HourOf(Stamp t);

// ---- level counts ---------------------------------------------------------------------------

// Counts of levels in fixed steps over the span the levels actually took; grows at either end in
// amortised O(1). Levels are held to -100 … 300 dB.
class Histogram {
public:
    explicit Histogram(int stepsPerDb) : scale_(stepsPerDb) {}
    void add(double level);
    uint64_t count() const { return n_; }
    // The level exceeded by `percent` % of the counts (nearest rank, as the status line has it).
    double exceeded(int percent) const;

private:
    double kth(uint64_t k) const;
    int scale_;
    int lo_ = 0;  // key of counts_[0]
    std::vector<uint32_t> counts_;
    uint64_t n_ = 0;
};

// ---- the accumulator ------------------------------------------------------------------------

enum class Weighting : uint8_t { A, C };

struct EventRule {
    double threshold = 85;
    int minSeconds = 1;
};

struct Event {
    Stamp start = 0;
    Stamp end = 0;        // end of the last second
    uint64_t firstSample = 0;  // index of its first sample in the recording
    uint64_t seconds = 0;
    double lmax = 0;
    double energy = 0;     // sum of 10^(L/10)
    double leq() const;
    double sel() const;
};

struct HourRow {
    Stamp start;
    uint64_t seconds;
    double leq, lmax, l10, l90;
};

struct DoseFigures {
    std::optional<double> dose;  // percent
    std::optional<double> twa;
};

// What the window, the text, the JSON and the PDF show; absent figures are nullopt.
struct Summary {
    uint64_t samples = 0, countA = 0, countC = 0;
    std::optional<Stamp> start, end;
    std::optional<double> leq, lmax, lmin, l10, l50, l90, sel;
    std::optional<Stamp> lmaxAt, lminAt;
    std::optional<double> laeq, lex8h;
    DoseFigures oshaPel, oshaHc, niosh;
    std::optional<double> lday, levening, lnight, lden, ldn;
};

// The chart's level envelope: at most about 2 × MaxBuckets buckets of consecutive samples, each
// with its highest and lowest level; neighbours merge when it is full.
struct Envelope {
    static constexpr size_t MaxBuckets = 2048;
    uint64_t perBucket = 1;
    std::vector<float> hi, lo;
    void add(double level, uint64_t index);
};

class Accumulator {
public:
    explicit Accumulator(EventRule rule = {}) : rule_(rule) {}

    void add(double level, Weighting w, Stamp t);
    void clear();
    const EventRule& rule() const { return rule_; }
    // Starts over with another rule (the samples must be fed again).
    void reset(EventRule rule);

    uint64_t samples() const { return n_; }
    Summary summary() const;
    size_t hourCount() const { return hours_.size(); }
    HourRow hour(size_t i) const;
    // The finished runs, then the one still going on when it is long enough.
    size_t eventCount() const;
    const Event& event(size_t i) const;
    const Envelope& envelope() const { return envelope_; }

private:
    struct Hour {
        int64_t key;  // Julian day * 24 + hour
        uint64_t n = 0;
        double energy = 0, lmax = 0;
        Histogram hist{10};
    };
    struct Energy {
        uint64_t n = 0;
        double sum = 0;
        void add(double e) { ++n, sum += e; }
        std::optional<double> leq() const;
    };
    void addHour(double level, double e, Stamp t);
    void addEvent(double level, double e, Stamp t);
    void addPeriods(double e, Stamp t);
    void addExposure(double level, double e);

    EventRule rule_;
    uint64_t n_ = 0;
    Energy all_;
    double lmax_ = 0, lmin_ = 0;
    Stamp lmaxAt_ = 0, lminAt_ = 0, start_ = 0, last_ = 0;
    Histogram hist_{100};
    Energy a_;
    uint64_t countC_ = 0;
    double doseSum_[3] = {0, 0, 0};  // sum of 2^((L - criterion) / exchange) per rule
    Energy day_, evening_, night_, dnDay_, dnNight_;
    std::vector<Hour> hours_;
    std::vector<Event> events_;
    Event run_;
    bool inRun_ = false;
    Envelope envelope_;
};

}  // namespace pelzo::assess
