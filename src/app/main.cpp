#include "checkdata.h"
#include "command.h"
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

QString commandsHelp()
{
    QString text = QStringLiteral("Without a command the program opens its window. Commands, for scripts "
                                  "(tavimo COMMAND --help for each):");
    for (const tavimo::commands::Command &c : tavimo::commands::all())
        text += QStringLiteral("\n  ") + c.name + QLatin1Char(' ') + c.usage + QStringLiteral("\n      ") + c.summary;
    text += QStringLiteral("\nExit status: 0 done, 1 nothing matched or the work failed, 2 bad arguments or input.");
    return text;
}

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
    parser.addPositionalArgument(QStringLiteral("command"), commandsHelp(), QStringLiteral("[command]"));
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

// "tavimo [--data-dir DIR] COMMAND ARGUMENTS...": the data folder may be
// given anywhere on the line; the first other word that is not an option
// names the command.
struct CommandLine
{
    const tavimo::commands::Command *command = nullptr;
    QString name;
    QStringList arguments;
    QString dataFolder;
};

CommandLine findCommand(int argc, char **argv)
{
    CommandLine line;
    QStringList rest;
    for (int i = 1; i < argc; ++i) {
        const QString a = QString::fromLocal8Bit(argv[i]);
        if ((a == QLatin1String("--data-dir") || a == QLatin1String("-data-dir")) && i + 1 < argc)
            line.dataFolder = QString::fromLocal8Bit(argv[++i]);
        else if (a.startsWith(QLatin1String("--data-dir=")))
            line.dataFolder = a.mid(11);
        else
            rest << a;
    }
    // Qt's own options that take a value, which is no command.
    static const QStringList qtValueOptions{
        QStringLiteral("platform"), QStringLiteral("platformpluginpath"), QStringLiteral("platformtheme"),
        QStringLiteral("plugin"), QStringLiteral("display"), QStringLiteral("geometry"), QStringLiteral("style"),
        QStringLiteral("stylesheet"), QStringLiteral("session"), QStringLiteral("qwindowgeometry"),
        QStringLiteral("qwindowicon"), QStringLiteral("qwindowtitle"), QStringLiteral("title"),
        QStringLiteral("name"), QStringLiteral("font"), QStringLiteral("fn")};
    for (qsizetype i = 0; i < rest.size(); ++i) {
        if (rest[i].startsWith(QLatin1Char('-'))) {
            const QString option = rest[i].mid(rest[i].startsWith(QLatin1String("--")) ? 2 : 1);
            if (qtValueOptions.contains(option))
                ++i;
            continue;
        }
        line.name = rest[i];
        line.command = tavimo::commands::find(line.name);
        line.arguments = rest.mid(i + 1);
        break;
    }
    return line;
}

// A script reads standard error: the command's own lines, not the
// toolkit's remarks about the desktop it runs without.
void quietDiagnostics(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg || qEnvironmentVariableIsSet("TAVIMO_VERBOSE"))
        std::fprintf(stderr, "%s\n", qPrintable(message));
}

int runCommand(int argc, char **argv, const CommandLine &line)
{
    qInstallMessageHandler(quietDiagnostics);
    // A report paints its pages: widgets, on a display that nobody sees.
    std::unique_ptr<QCoreApplication> app;
    if (line.command->paints) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    QTextStream out(stdout);
    QTextStream err(stderr);
    if (line.arguments.contains(QLatin1String("--help")) || line.arguments.contains(QLatin1String("-h"))) {
        out << "usage: tavimo [--data-dir DIR] " << line.command->name << ' ' << line.command->usage << '\n'
            << line.command->summary << '\n';
        return tavimo::commands::Success;
    }
    tavimo::commands::Invocation invocation{line.arguments, tavimo::resolveDataFolder(line.dataFolder), out, err};
    const int status = line.command->run(invocation);
    out.flush();
    err.flush();
    return status;
}

} // namespace

int main(int argc, char **argv)
{
    describeApplication();
    tavimo::useDesktopLocale();
    const CommandLine line = findCommand(argc, argv);
    if (line.command)
        return runCommand(argc, argv, line);
    if (!line.name.isEmpty()) {
        std::fprintf(stderr, "tavimo: unknown command \"%s\" (tavimo --help lists them)\n", qPrintable(line.name));
        return tavimo::commands::BadInput;
    }
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
