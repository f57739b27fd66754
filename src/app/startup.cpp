#include "startup.h"

#include "datacontext.h"
#include "errormanager.h"
#include "fuzzymatcher.h"
#include "processvalues.h"
#include "qtmessagepresenter.h"
#include "threadcontext.h"

#include <memory>

namespace tavimo {

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

    QtMessagePresenter qtPresenter;
    ErrorManager &errors = ErrorManager::global();
    errors.init();
    errors.setPresenter(m_options.presenter ? m_options.presenter : &qtPresenter);
    errors.setLogFolder(m_options.dataFolder);

    fuzzy.init();
    fuzzy.setOption(FuzzyMatcher::IgnoreCase, true);
    fuzzy.setOption(FuzzyMatcher::WordsAnyOrder, false);

    store.init(QString::fromLatin1(StoreName), m_options.settingsBackend, m_options.settingsPath);
    loadPreserved(store);

    // The first context's tables and managers; it runs the main frame.
    auto context = std::make_unique<ThreadContext>(programContextConfig(m_options.dataFolder));

    DragSettingGuard drag(desktop);
    drag.start();

    const int result = main(*context);

    savePreserved(store);
    drag.stop();
    store.kill();
    fuzzy.kill();
    context.reset();
    errors.setPresenter(nullptr);
    return result;
}

} // namespace tavimo
