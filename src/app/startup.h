#pragma once

#include "desktopsettings.h"
#include "messagepresenter.h"
#include "settingsstore.h"

#include <QLocale>
#include <QString>

#include <functional>

namespace tavimo {

class FuzzyMatcher;
class ThreadContext;

struct StartupOptions
{
    QString dataFolder;
    SettingsStore::Backend settingsBackend = SettingsStore::Backend::Native;
    QString settingsPath;                // only for the INI back end
    DesktopSettings *desktop = nullptr; // not owned; the system's when null
    MessagePresenter *presenter = nullptr; // not owned; Qt message boxes when null
    // Ends the process after a fatal message; ErrorManager::endProcess when
    // null. Tests give one that only records the status.
    std::function<void(int status)> endProcess;
    // A backup of the data folder after a normal end, at most one a day
    // (folderbackup::backUpAtExit).
    bool backupAtExit = true;
};

// Made once at process start, before the frame or a command runs: the
// desktop's locale, or US English when the desktop has the C/POSIX locale,
// since the program's fields (dates month first) are US-shaped.
void useDesktopLocale(const QLocale &system = QLocale::system());

// The program's entry sequence: process-wide values, settings, the first
// context, the data folder's lock, the desktop's drag setting, the main
// procedure, and the shutdown in the reverse order, with the day's backup
// last. Every step stands here in its place so
// that the order can be read off and kept.
class Startup
{
public:
    using MainProcedure = std::function<int(ThreadContext &)>;

    static constexpr const char *StoreName = "HTavimo";
    static constexpr const char *PreservedSection = "Preserved";

    explicit Startup(StartupOptions options);
    int run(const MainProcedure &main);

private:
    void loadPreserved(SettingsStore &store);
    void savePreserved(SettingsStore &store);

    StartupOptions m_options;
};

} // namespace tavimo
