#include "tests/support/testseams.h"

#include <QStringList>

#include <numeric>

namespace pelzo::test {

int ScriptedDialogs::message(const Message& m)
{
    shown.push_back(m);
    if (!answers.empty()) {
        const int a = answers.front();
        answers.pop_front();
        return a;
    }
    for (int b : {Ok, Yes, Cancel, No})
        if (m.buttons & b) return b;
    return Ok;
}

template <typename T>
static T Next(std::deque<T>& q)
{
    if (q.empty()) return T{};
    T v = q.front();
    q.pop_front();
    return v;
}

std::optional<QString> ScriptedDialogs::openFile(const QString&) { return Next(openAnswers); }
std::optional<SaveChoice> ScriptedDialogs::saveFile(const QString&) { return Next(saveAnswers); }
std::optional<Rgb> ScriptedDialogs::pickColor(Rgb) { return Next(colorAnswers); }

void ScriptedDialogs::withProgress(ProgressKind kind, const std::function<void()>& work)
{
    progress.push_back(kind);
    work();
}

QStringList ScriptedDialogs::texts() const
{
    QStringList out;
    for (const Message& m : shown) out << m.text;
    return out;
}

long long RecordingPause::total() const { return std::accumulate(pauses.begin(), pauses.end(), 0LL); }

}  // namespace pelzo::test
