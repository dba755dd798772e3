#include "tests/support/testseams.h"

#include <numeric>

namespace pelzo::test {

namespace {

template <typename T>
T Next(std::deque<T>& q)
{
    if (q.empty()) return T{};
    T v = q.front();
    q.pop_front();
    return v;
}

}  // namespace

void ScriptedDialogs::log(const QString& line)
{
    if (log_) log_->push_back(line);
}

int ScriptedDialogs::message(const Message& m)
{
    shown.push_back(m);
    log(QStringLiteral("message ") + m.text);
    if (!answers.empty()) return Next(answers);
    for (int b : {Ok, Yes, Cancel, No})
        if (m.buttons & b) return b;
    return Ok;
}

std::optional<QString> ScriptedDialogs::openFile(const QString& filter)
{
    openFilters.push_back(filter);
    log(QStringLiteral("open dialog"));
    return Next(openAnswers);
}

std::optional<SaveChoice> ScriptedDialogs::saveFile(const QString& filter)
{
    saveFilters.push_back(filter);
    log(QStringLiteral("save dialog"));
    if (onSaveDialog) onSaveDialog();
    return Next(saveAnswers);
}

std::optional<Rgb> ScriptedDialogs::pickColor(Rgb initial)
{
    pickerOpenedOn.push_back(initial);
    return Next(colorAnswers);
}

void ScriptedDialogs::withProgress(ProgressKind kind, const std::function<void()>& work)
{
    progress.push_back(kind);
    log(QStringLiteral("progress %1 begin").arg(int(kind)));
    ++progressDepth;
    work();
    --progressDepth;
    log(QStringLiteral("progress %1 end").arg(int(kind)));
}

QStringList ScriptedDialogs::texts() const
{
    QStringList out;
    for (const Message& m : shown) out << m.text;
    return out;
}

void RecordingPause::pause(int ms)
{
    pauses.push_back(ms);
    if (log_) log_->push_back(QStringLiteral("pause %1").arg(ms));
}

long long RecordingPause::total() const { return std::accumulate(pauses.begin(), pauses.end(), 0LL); }

}  // namespace pelzo::test
