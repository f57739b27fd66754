#include "checkdata.h"
#include "datafolder.h"
#include "mainframe.h"
#include "registerprocedures.h"
#include "startup.h"
#include "streampresenter.h"
#include "threadcontext.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QGuiApplication>

#include <cstdio>
#include <memory>

namespace {

struct Arguments
{
    bool checkData = false;
    QString dataFolder;
};

Arguments parseArguments(const QCoreApplication &app)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Tavimo keeps a household's health records."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption dataDir(QStringLiteral("data-dir"),
                                     QStringLiteral("Keep the data files in <dir> instead of the default folder."),
                                     QStringLiteral("dir"));
    const QCommandLineOption check(QStringLiteral("check-data"),
                                   QStringLiteral("Open and check every table of the data folder, print what was "
                                                  "found, and exit (non-zero when a table cannot be used)."));
    parser.addOption(dataDir);
    parser.addOption(check);
    parser.process(app);
    return Arguments{parser.isSet(check), parser.value(dataDir)};
}

void describeApplication()
{
    QCoreApplication::setApplicationName(QStringLiteral("Tavimo"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TAVIMO_VERSION));
    QCoreApplication::setOrganizationName(QStringLiteral("Tavimo"));
}

// Message boxes on a display that nobody sees would wait for ever.
bool displayUnseen()
{
    const QString platform = QGuiApplication::platformName();
    return platform == QLatin1String("offscreen") || platform == QLatin1String("minimal");
}

bool wantsCheckData(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i)
        if (qstrcmp(argv[i], "--check-data") == 0 || qstrcmp(argv[i], "-check-data") == 0
            || qstrcmp(argv[i], "--help") == 0 || qstrcmp(argv[i], "-h") == 0 || qstrcmp(argv[i], "--version") == 0
            || qstrcmp(argv[i], "-v") == 0)
            return true;
    return false;
}

} // namespace

int main(int argc, char **argv)
{
    describeApplication();
    tavimo::useDesktopLocale();
    // Help, version and the data check run without a display.
    if (wantsCheckData(argc, argv)) {
        QCoreApplication app(argc, argv);
        const Arguments args = parseArguments(app);
        QTextStream out(stdout);
        QTextStream err(stderr);
        return tavimo::checkData(tavimo::resolveDataFolder(args.dataFolder), out, err);
    }

    QApplication app(argc, argv);
    const Arguments args = parseArguments(app);
    QApplication::setWindowIcon(tavimo::MainFrame::frameIcon());
    // The frame may be hidden in the notification area while another
    // window closes: only the frame's own close ends the program.
    QApplication::setQuitOnLastWindowClosed(false);
    tavimo::registerProcedures();
    tavimo::StartupOptions options;
    options.dataFolder = tavimo::resolveDataFolder(args.dataFolder);
    tavimo::StreamPresenter toStandardError(stderr);
    if (displayUnseen())
        options.presenter = &toStandardError;
    tavimo::Startup startup(options);
    return startup.run([&options](tavimo::ThreadContext &context) {
        tavimo::MainFrame frame(context, options.dataFolder);
        QObject::connect(&frame, &tavimo::MainFrame::closed, qApp, &QCoreApplication::quit, Qt::QueuedConnection);
        frame.show();
        const int result = QApplication::exec();
        // Windows that closed with the frame let go of their contexts now.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return result;
    });
}
