#include "batchreport.h"

namespace tavimo {

namespace {
// Scripts run one report at a time, on the GUI thread.
BatchReport *g_current = nullptr;
}

BatchReportScope::BatchReportScope(BatchReport report) : m_report(std::move(report)), m_previous(g_current)
{
    g_current = &m_report;
}

BatchReportScope::~BatchReportScope()
{
    g_current = m_previous;
}

BatchReport *BatchReportScope::current()
{
    return g_current;
}

} // namespace tavimo
