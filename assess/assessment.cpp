#include "assess/assessment.h"

#include <QTime>

#include <algorithm>
#include <cmath>

namespace pelzo::assess {

namespace {

constexpr double EightHours = 8 * 3600.0;
constexpr const DoseRule* Rules[3] = {&OshaPel, &OshaHc, &Niosh};

double EnergyOf(double level) { return std::pow(10.0, level / 10.0); }
double LevelOf(double energy) { return 10.0 * std::log10(energy); }

}  // namespace

double AllowedHours(double level, const DoseRule& r) { return 8.0 / std::exp2((level - r.criterion) / r.exchange); }

std::optional<double> TwaOfDose(double dosePercent, const DoseRule& r)
{
    if (!(dosePercent > 0)) return std::nullopt;
    return r.twaFactor * std::log10(dosePercent / 100.0) + r.criterion;
}

double Lex8h(double laeq, double seconds) { return laeq + 10.0 * std::log10(seconds / EightHours); }

double Lden(double ld, double le, double ln)
{
    return LevelOf((12 * EnergyOf(ld) + 4 * EnergyOf(le + 5) + 8 * EnergyOf(ln + 10)) / 24);
}

double Ldn(double ld, double ln) { return LevelOf((15 * EnergyOf(ld) + 9 * EnergyOf(ln + 10)) / 24); }

// ---- time -----------------------------------------------------------------------------------

QDate DateOf(Stamp t) { return QDate::fromJulianDay(t / 86400); }
int HourOf(Stamp t) { return int(t % 86400 / 3600); }

QString IsoText(Stamp t)
{
    // By hand: a JSON of many events writes two of these per event.
    int y = 0, mo = 0, d = 0;
    DateOf(t).getDate(&y, &mo, &d);
    const int s = int(t % 86400);
    char buf[20];
    auto two = [&](int pos, int v) { buf[pos] = char('0' + v / 10), buf[pos + 1] = char('0' + v % 10); };
    buf[0] = char('0' + y / 1000 % 10), buf[1] = char('0' + y / 100 % 10);
    two(2, y % 100);
    buf[4] = '-', two(5, mo), buf[7] = '-', two(8, d), buf[10] = 'T';
    two(11, s / 3600), buf[13] = ':', two(14, s / 60 % 60), buf[16] = ':', two(17, s % 60);
    return QString::fromLatin1(buf, 19);
}

// ---- histogram ------------------------------------------------------------------------------

void Histogram::add(double level)
{
    const double held = std::isfinite(level) ? std::clamp(level, -100.0, 300.0) : (level > 0 ? 300.0 : -100.0);
    const int key = int(std::lround(held * scale_));
    if (counts_.empty()) {
        lo_ = key;
        counts_.assign(1, 0);
    } else if (key < lo_) {
        // Room below as well as what is needed, so a slow drift down stays amortised O(1).
        const size_t need = size_t(lo_ - key);
        const size_t grow = std::max(need, counts_.size());
        counts_.insert(counts_.begin(), grow, 0);
        lo_ -= int(grow);
    } else if (size_t(key - lo_) >= counts_.size()) {
        const size_t need = size_t(key - lo_) + 1;
        if (need > counts_.capacity()) counts_.reserve(std::max(need, counts_.capacity() * 2));
        counts_.resize(need, 0);
    }
    ++counts_[size_t(key - lo_)];
    ++n_;
}

double Histogram::kth(uint64_t k) const
{
    uint64_t seen = 0;
    for (size_t i = 0; i < counts_.size(); ++i) {
        seen += counts_[i];
        if (seen >= k) return double(lo_ + int(i)) / scale_;
    }
    return double(lo_ + int(counts_.size()) - 1) / scale_;
}

double Histogram::exceeded(int percent) const
{
    if (n_ == 0) return 0;
    const double fraction = double(100 - percent) / 100.0;
    const auto k = uint64_t(std::ceil(fraction * double(n_) - 1e-9));
    return kth(std::max<uint64_t>(k, 1));
}

// ---- envelope -------------------------------------------------------------------------------

void Envelope::add(double level, uint64_t index)
{
    const auto v = float(level);
    if (index % perBucket == 0) {
        if (hi.size() == 2 * MaxBuckets) {
            // Full: pairs merge and each bucket holds twice as many samples from now on.
            for (size_t i = 0; i < MaxBuckets; ++i) {
                hi[i] = std::max(hi[2 * i], hi[2 * i + 1]);
                lo[i] = std::min(lo[2 * i], lo[2 * i + 1]);
            }
            hi.resize(MaxBuckets);
            lo.resize(MaxBuckets);
            perBucket *= 2;
        }
        if (index % perBucket == 0) {
            hi.push_back(v);
            lo.push_back(v);
            return;
        }
    }
    hi.back() = std::max(hi.back(), v);
    lo.back() = std::min(lo.back(), v);
}

// ---- events ---------------------------------------------------------------------------------

double Event::leq() const { return LevelOf(energy / double(seconds)); }
double Event::sel() const { return LevelOf(energy); }

// ---- accumulator ----------------------------------------------------------------------------

std::optional<double> Accumulator::Energy::leq() const
{
    if (n == 0) return std::nullopt;
    return LevelOf(sum / double(n));
}

void Accumulator::add(double level, Weighting w, Stamp t)
{
    const double e = EnergyOf(level);
    if (n_ == 0) {
        lmax_ = lmin_ = level;
        lmaxAt_ = lminAt_ = start_ = t;
    } else if (level > lmax_) {
        lmax_ = level, lmaxAt_ = t;
    } else if (level < lmin_) {
        lmin_ = level, lminAt_ = t;
    }
    envelope_.add(level, n_);
    ++n_;
    last_ = t;
    all_.add(e);
    hist_.add(level);
    if (w == Weighting::A) {
        addExposure(level, e);
    } else {
        ++countC_;
    }
    addHour(level, e, t);
    addPeriods(e, t);
    addEvent(level, e, t);
}

void Accumulator::addExposure(double level, double e)
{
    a_.add(e);
    for (size_t i = 0; i < 3; ++i) {
        const DoseRule& r = *Rules[i];
        if (level >= r.threshold) doseSum_[i] += std::exp2((level - r.criterion) / r.exchange);
    }
}

void Accumulator::addHour(double level, double e, Stamp t)
{
    const int64_t key = t / 3600;
    if (hours_.empty() || hours_.back().key != key) hours_.push_back(Hour{key});
    Hour& h = hours_.back();
    h.lmax = h.n == 0 ? level : std::max(h.lmax, level);
    ++h.n;
    h.energy += e;
    h.hist.add(level);
}

void Accumulator::addPeriods(double e, Stamp t)
{
    const int h = HourOf(t);
    if (h >= 7 && h < 19) {
        day_.add(e);
    } else if (h >= 19 && h < 23) {
        evening_.add(e);
    } else {
        night_.add(e);
    }
    if (h >= 7 && h < 22) {
        dnDay_.add(e);
    } else {
        dnNight_.add(e);
    }
}

void Accumulator::addEvent(double level, double e, Stamp t)
{
    if (level < rule_.threshold) {
        if (inRun_ && run_.seconds >= uint64_t(std::max(rule_.minSeconds, 1))) events_.push_back(run_);
        inRun_ = false;
        return;
    }
    if (!inRun_) {
        run_ = Event{t, t, n_ - 1, 0, level, 0};
        inRun_ = true;
    }
    ++run_.seconds;
    run_.end = t + 1;
    run_.lmax = std::max(run_.lmax, level);
    run_.energy += e;
}

void Accumulator::clear() { reset(rule_); }

void Accumulator::reset(EventRule rule) { *this = Accumulator(rule); }

size_t Accumulator::eventCount() const
{
    const bool open = inRun_ && run_.seconds >= uint64_t(std::max(rule_.minSeconds, 1));
    return events_.size() + (open ? 1 : 0);
}

const Event& Accumulator::event(size_t i) const { return i < events_.size() ? events_[i] : run_; }

HourRow Accumulator::hour(size_t i) const
{
    const Hour& h = hours_[i];
    return HourRow{h.key * 3600, h.n, LevelOf(h.energy / double(h.n)), h.lmax, h.hist.exceeded(10), h.hist.exceeded(90)};
}

Summary Accumulator::summary() const
{
    Summary s;
    s.samples = n_;
    s.countA = a_.n;
    s.countC = countC_;
    if (n_ > 0) {
        s.start = start_;
        s.end = last_ + 1;
        s.leq = all_.leq();
        s.lmax = lmax_, s.lmaxAt = lmaxAt_;
        s.lmin = lmin_, s.lminAt = lminAt_;
        s.l10 = hist_.exceeded(10);
        s.l50 = hist_.exceeded(50);
        s.l90 = hist_.exceeded(90);
        s.sel = LevelOf(all_.sum);
    }
    s.laeq = a_.leq();
    if (s.laeq) {
        s.lex8h = Lex8h(*s.laeq, double(a_.n));
        DoseFigures* out[3] = {&s.oshaPel, &s.oshaHc, &s.niosh};
        for (size_t i = 0; i < 3; ++i) {
            const double dose = 100.0 * doseSum_[i] / EightHours;
            out[i]->dose = dose;
            out[i]->twa = TwaOfDose(dose, *Rules[i]);
        }
    }
    s.lday = day_.leq();
    s.levening = evening_.leq();
    s.lnight = night_.leq();
    if (s.lday && s.levening && s.lnight) s.lden = Lden(*s.lday, *s.levening, *s.lnight);
    const auto dnDay = dnDay_.leq(), dnNight = dnNight_.leq();
    if (dnDay && dnNight) s.ldn = Ldn(*dnDay, *dnNight);
    return s;
}

}  // namespace pelzo::assess
