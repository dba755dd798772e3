// A desk of the tests' own: offscreen Qt (unless a platform is asked for) and a HOME/XDG that
// nothing else uses, so no settings of the user's come in and none are written. Call before the
// application object is made; the folder lives as long as the returned object.
#pragma once

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <memory>

namespace pelzo::test {

inline std::unique_ptr<QTemporaryDir> MakePrivateDesk()
{
    auto home = std::make_unique<QTemporaryDir>();
    if (!home->isValid()) return nullptr;
    const QString runtime = home->filePath(QStringLiteral("run"));
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("HOME", home->path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", home->filePath(QStringLiteral("config")).toLocal8Bit());
    qputenv("XDG_CACHE_HOME", home->filePath(QStringLiteral("cache")).toLocal8Bit());
    qputenv("XDG_DATA_HOME", home->filePath(QStringLiteral("data")).toLocal8Bit());
    qputenv("XDG_RUNTIME_DIR", runtime.toLocal8Bit());
    return home;
}

}  // namespace pelzo::test
