#include "csvcontext.h"

#include "datacontext.h"

#include <QFileInfo>

namespace tavimo::csv {

int QuietContext::Collector::show(const MessageBoxRequest &request)
{
    QString text = request.text;
    if (text.endsWith(QLatin1String(ErrorManager::FatalSuffix)))
        text.chop(qsizetype(qstrlen(ErrorManager::FatalSuffix)));
    text = text.simplified();
    // The caller goes on after the message, so it ends without a stop.
    while (text.endsWith(u'.'))
        text.chop(1);
    last = request.caption.isEmpty() ? text : request.caption + QStringLiteral(": ") + text;
    // Asked to try again or to go on: no, since nobody can put it right now.
    if (request.buttons & Button::No)
        return Button::No;
    if (request.buttons & Button::Cancel)
        return Button::Cancel;
    return request.defaultButton;
}

int QuietContext::Collector::showHistory(const QString &, const QStringList &, int)
{
    return Button::Ok;
}

QuietContext::QuietContext(const QString &dataFolder) : m_folder(dataFolder)
{
    m_errors.setPresenter(&m_collector);
    m_errors.setFatalHandler([] {});
    ContextConfig config = programContextConfig(dataFolder);
    config.errors = &m_errors;
    m_context = std::make_unique<ThreadContext>(config);
}

QuietContext::~QuietContext()
{
    // The context's managers may still raise while they close.
    m_context.reset();
}

bool QuietContext::hasFile(const TableLayout &table)
{
    return QFileInfo::exists(m_context->storage().pathOf(table));
}

} // namespace tavimo::csv
