// Replays report page files, in order, into one PDF:
//   tavimo-wmf2pdf OUT.pdf PAGE.wmf...
// to see what the replay makes of stored pages, and to reproduce what the
// page fuzz targets find. A page that cannot be read prints the parser's
// message, and OUT.pdf stays as it was.
#include "errormanager.h"
#include "messagepresenter.h"
#include "pagereader.h"
#include "pdfgenerator.h"
#include "threadcontext.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

using namespace tavimo;

namespace {

constexpr int Written = 0;
constexpr int NotWritten = 1;
constexpr int Usage = 2;

void printLine(const QString &line)
{
    QString text = line;
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    std::fflush(stderr);
}

// A box on a desktop is a line on standard error here. The fatal ending
// the box announces is the tool's to carry out, once the document is given
// up, so it is left out of the line.
class StderrPresenter : public MessagePresenter
{
public:
    int show(const MessageBoxRequest &request) override
    {
        QString text = request.text;
        const QLatin1String suffix(ErrorManager::FatalSuffix);
        if (text.endsWith(suffix))
            text.chop(suffix.size());
        printLine(text);
        return request.defaultButton;
    }
    int showHistory(const QString &, const QStringList &messages, int buttons) override
    {
        for (const QString &message : messages)
            printLine(message);
        return buttons & Button::Ok ? int(Button::Ok) : 0;
    }
};

int usage()
{
    printLine(QStringLiteral("usage: tavimo-wmf2pdf OUT.pdf PAGE.wmf..."));
    return Usage;
}

} // namespace

int main(int argc, char **argv)
{
    // The PDF writer measures its fonts with FreeType: no display is needed.
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments().mid(1);
    if (arguments.size() < 2)
        return usage();
    for (const QString &argument : arguments)
        if (argument.isEmpty() || argument.startsWith(QLatin1Char('-')))
            return usage(); // no options; a file of such a name goes as ./-name

    StderrPresenter presenter;
    ErrorManager errors;
    errors.setPresenter(&presenter);
    bool fatal = false;
    errors.setFatalHandler([&fatal] { fatal = true; });
    ContextConfig config;
    config.errors = &errors;
    ThreadContext context(config);

    PdfGenerator pdf;
    pdf.setMessageHandler([](const QString &title, const QString &text) { printLine(title + QStringLiteral(": ") + text); });
    pdf.setAttributeErrorHandler([](const QByteArray &text, int position) {
        printLine(QStringLiteral("Attribute text \"%1\" cannot be read from position %2 on")
                      .arg(QString::fromLatin1(text))
                      .arg(position));
    });
    pdf.setDocumentInfo(QStringLiteral("LM Report"), QStringLiteral("tavimo2"), QStringLiteral("wmf2pdf"),
                        QStringLiteral("wmf2pdf"), QString(), QString());
    pdf.setOutputFileName(arguments.first());

    WmfParser parser(context);
    parser.setPages(arguments.mid(1));
    parser.setGenerator(&pdf);
    const int result = parser.exportPages();
    pdf.abandonDocument(); // whatever is still open is not kept
    return result == 0 && !fatal ? Written : NotWritten;
}
