#pragma once

// Runs the real tavimo program as a script would: no display, no data
// folder from the environment, its home and settings in a throw-away folder.
#include <QDir>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace tavimo::testing {

struct ProgramRun
{
    int status = -1; // -1 when it did not end by itself
    QString out;
    QString err;
};

inline ProgramRun runProgram(const QString &program, const QString &dataFolder, const QString &scratch,
                             const QStringList &arguments)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), QDir(scratch).filePath(QStringLiteral("home")));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), QDir(scratch).filePath(QStringLiteral("config")));
    env.remove(QStringLiteral("TAVIMO_DATA_DIR"));
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(scratch);
    process.start(program, QStringList{QStringLiteral("--data-dir"), dataFolder} + arguments);
    if (!process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    return ProgramRun{process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                      QString::fromUtf8(process.readAllStandardOutput()),
                      QString::fromUtf8(process.readAllStandardError())};
}

} // namespace tavimo::testing
