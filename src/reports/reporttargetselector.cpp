#include "reporttargetselector.h"

#include "errormanager.h"
#include "ireportgenerator.h"
#include "selectoutputdialog.h"
#include "threadcontext.h"

#include <QDebug>

namespace tavimo {

ReportTargetSelector::ReportTargetSelector(ThreadContext &context) : m_context(context)
{
}

int ReportTargetSelector::addGenerator(IReportGenerator &generator, bool enabled)
{
    for (std::size_t i = 0; i < m_entries.size(); ++i)
        if (m_entries[i].generator->name().compare(generator.name(), Qt::CaseInsensitive) == 0) {
            m_entries[i] = Entry{&generator, enabled};
            return int(i) + 1;
        }
    m_entries.push_back(Entry{&generator, enabled});
    return count();
}

IReportGenerator *ReportTargetSelector::generator(const QString &name) const
{
    for (const Entry &e : m_entries)
        if (e.generator->name().compare(name, Qt::CaseInsensitive) == 0)
            return e.generator;
    return nullptr;
}

IReportGenerator *ReportTargetSelector::generator(int number) const
{
    return number >= 1 && number <= count() ? m_entries[std::size_t(number - 1)].generator : nullptr;
}

void ReportTargetSelector::setEnabled(int number, bool enabled)
{
    if (number >= 1 && number <= count())
        m_entries[std::size_t(number - 1)].enabled = enabled;
}

bool ReportTargetSelector::isEnabled(int number) const
{
    return number >= 1 && number <= count() && m_entries[std::size_t(number - 1)].enabled;
}

QString ReportTargetSelector::generatorName(int number)
{
    if (IReportGenerator *g = generator(number))
        return g->name();
    ErrorManager &errors = m_context.errors();
    if (!errors.entry(InvalidGeneratorMessage))
        errors.appendCatalogue({{InvalidGeneratorMessage, ResultNotify, QStringLiteral("Report Output"),
                                 QStringLiteral("The number \"%Message\" is not a valid Generator: GetReportGeneratorName"),
                                 {}}});
    errors.raiseWithText(m_context, InvalidGeneratorMessage, QString::number(number));
    return QString();
}

TargetChoice ReportTargetSelector::ask(bool withPrinter, QWidget *parent)
{
    std::vector<IReportGenerator *> offered;
    for (const Entry &e : m_entries)
        if (e.enabled)
            offered.push_back(e.generator);

    if (withPrinter && offered.empty())
        return {TargetChoice::Printer, nullptr};
    if (!withPrinter && offered.size() == 1)
        return {TargetChoice::Generator, offered.front()};
    if (!withPrinter && offered.empty()) {
        // Only a procedure that registered nothing gets here.
        qWarning("ReportTargetSelector: no output generator to save to");
        return {};
    }

    QStringList entries;
    if (withPrinter)
        entries << QStringLiteral("Print");
    for (IReportGenerator *g : offered)
        entries << g->displayName();
    const Chooser &choose = m_chooser ? m_chooser : Chooser(&SelectOutputDialog::choose);
    const int row = choose(entries, withPrinter, parent);
    if (row < 0 || row >= entries.size())
        return {};
    if (withPrinter && row == 0)
        return {TargetChoice::Printer, nullptr};
    return {TargetChoice::Generator, offered[std::size_t(row - (withPrinter ? 1 : 0))]};
}

} // namespace tavimo
