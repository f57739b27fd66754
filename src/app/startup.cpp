#include "startup.h"

#include "datacontext.h"
#include "datafolder.h"
#include "errormanager.h"
#include "folderbackup.h"
#include "folderlock.h"
#include "fuzzymatcher.h"
#include "pagefolder.h"
#include "processvalues.h"
#include "qtmessagepresenter.h"
#include "threadcontext.h"

#include <QDebug>

#include <memory>

namespace tavimo {

void useDesktopLocale(const QLocale &system)
{
    if (system.language() == QLocale::C)
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    else
        QLocale::setDefault(system);
}

Startup::Startup(StartupOptions options)
    : m_options(std::move(options))
{
}

void Startup::loadPreserved(SettingsStore &store)
{
    PreservedSettings &s = ProcessValues::instance().settings;
    const QString section = QString::fromLatin1(PreservedSection);
    s.uploadAccount = store.read(section, QStringLiteral("uploadaccount"));
    s.uploadName = store.read(section, QStringLiteral("uploadname"));
    s.sponsorit = store.read(section, QStringLiteral("sponsorit"));
    s.hpath = store.read(section, QStringLiteral("HPATH"));
}

void Startup::savePreserved(SettingsStore &store)
{
    const PreservedSettings &s = ProcessValues::instance().settings;
    const QString section = QString::fromLatin1(PreservedSection);
    store.write(section, QStringLiteral("uploadaccount"), s.uploadAccount);
    store.write(section, QStringLiteral("uploadname"), s.uploadName);
    store.write(section, QStringLiteral("sponsorit"), s.sponsorit);
    store.write(section, QStringLiteral("HPATH"), s.hpath);
}

int Startup::run(const MainProcedure &main)
{
    // Process start: every global blank.
    ProcessValues::instance().clear();
    FuzzyMatcher fuzzy;
    SettingsStore store;
    SystemDesktopSettings systemDesktop;
    DesktopSettings &desktop = m_options.desktop ? *m_options.desktop : systemDesktop;
    DragSettingGuard drag(desktop);
    bool settingsLoaded = false;

    QtMessagePresenter qtPresenter;
    ErrorManager &errors = ErrorManager::global();
    errors.init();
    errors.setPresenter(m_options.presenter ? m_options.presenter : &qtPresenter);
    errors.setLogFolder(m_options.dataFolder);
    const std::function<void()> callersFatalHandler = errors.fatalHandler();
    errors.setFatalHandler([&] {
        // The settings and the desktop are given back; nothing else runs.
        if (settingsLoaded) {
            savePreserved(store);
            settingsLoaded = false;
        }
        drag.stop();
        store.kill();
        if (m_options.endProcess)
            m_options.endProcess(ErrorManager::FatalExitCode);
        else
            ErrorManager::endProcess(ErrorManager::FatalExitCode);
    });

    fuzzy.init();
    fuzzy.setOption(FuzzyMatcher::IgnoreCase, true);
    fuzzy.setOption(FuzzyMatcher::WordsAnyOrder, false);

    store.init(QString::fromLatin1(StoreName), m_options.settingsBackend, m_options.settingsPath);
    loadPreserved(store);
    settingsLoaded = true;

    // Report pages left behind by a run that died hold health data.
    PageFolder::removeLeftovers();

    // The first context's tables and managers; it runs the main frame.
    auto context = std::make_unique<ThreadContext>(programContextConfig(m_options.dataFolder));

    // Health records: the folder is kept to its owner, an old one too.
    const QString privacy = makeDataFolderPrivate(m_options.dataFolder, tableFiles(*context));
    if (!privacy.isEmpty())
        qWarning().noquote() << privacy;

    // Every running Tavimo shares the folder's lock; a restore takes it
    // alone, and one under way is waited for.
    FolderLock folderLock(m_options.dataFolder);
    if (!folderLock.lock(FolderLock::Mode::Shared, 60000) && folderLock.failure() == FolderLock::Failure::Held)
        qWarning().noquote() << folderLock.problem();

    // Said once, before anything is typed that could not be kept.
    const QString readOnly = readOnlyDataPath(m_options.dataFolder, writtenDataFiles(*context));
    if (!readOnly.isEmpty()) {
        errors.setFileName(*context, readOnly);
        errors.raise(*context, 2);
    }

    drag.start();

    const int result = main(*context);

    if (settingsLoaded)
        savePreserved(store);
    drag.stop();
    store.kill();
    fuzzy.kill();
    context.reset();
    if (m_options.backupAtExit) {
        const folderbackup::Outcome backup = folderbackup::backUpAtExit(m_options.dataFolder);
        if (backup.status != 0)
            qWarning().noquote() << "The day's backup:" << backup.problem;
    }
    errors.setPresenter(nullptr);
    errors.setFatalHandler(callersFatalHandler);
    return result;
}

} // namespace tavimo
