// Page files of any shape through the page reader: it replays them or
// stops with its message, and never reads outside the bytes, loops or
// grows without bound. What reaches the generator stays within the
// reader's own limits.
#include "errormanager.h"
#include "ireportgenerator.h"
#include "pagereader.h"
#include "pagerecords.h"
#include "reportcontrol.h"
#include "threadcontext.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

using namespace tavimo;

namespace {

class CheckingGenerator : public IReportGenerator
{
public:
    void initialise() override {}
    int openDocument(int) override { return Done; }
    int closeDocument() override { return Done; }
    int openPage(int, int, int, int, const QString &) override { return Done; }
    int closePage() override { return Done; }
    int setUp() override { return Done; }
    QString name() const override { return QStringLiteral("FUZZ"); }
    QString displayName() const override { return QStringLiteral("Fuzz"); }
    QString icon() const override { return QString(); }

    int arc(const ReportControl &c) override { return check(c); }
    int furtherControlData(const ReportControl &c) override { return check(c); }
    int checkBox(const ReportControl &c) override { return check(c); }
    int chord(const ReportControl &c) override { return check(c); }
    int ellipse(const ReportControl &c) override { return check(c); }
    int image(const ReportControl &c) override { return check(c); }
    int line(const ReportControl &c) override { return check(c); }
    int groupBox(const ReportControl &c) override { return check(c); }
    int pie(const ReportControl &c) override { return check(c); }
    int polygon(const ReportControl &c) override { return check(c); }
    int radioButton(const ReportControl &c) override { return check(c); }
    int box(const ReportControl &c) override { return check(c); }
    int string(const ReportControl &c) override { return check(c); }
    int textBlock(const ReportControl &c) override { return check(c); }

private:
    static int check(const ReportControl &c)
    {
        if (c.kind.size() > pagerecords::MaxKind || c.attributes.size() > pagerecords::MaxAttributes
            || c.lines.size() > std::size_t(WmfParser::MaxLines) || c.fontFace.size() > pagerecords::MaxKind
            || c.points.size() > 0x7FFF)
            __builtin_trap();
        return Done;
    }
};

ThreadContext &context()
{
    static ErrorManager errors;
    static ThreadContext *ctx = [] {
        errors.silent = true; // no boxes; a fatal message only returns
        errors.setFatalHandler([] {});
        ContextConfig config;
        config.errors = &errors;
        return new ThreadContext(config); // kept to the end of the process
    }();
    return *ctx;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    WmfParser parser(context());
    CheckingGenerator generator;
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    parser.replay(bytes, QStringLiteral("fuzz.wmf"), generator); // replayed or refused: both are answers
    return 0;
}
