#include "errormanager.h"

#include "threadcontext.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QMutexLocker>
#include <QTime>

#include <cstdio>
#include <cstdlib>

namespace tavimo {

namespace {

constexpr int kMaxText = 2000;
constexpr int kMaxHistoryText = 1024;

QString clipped(const QString &s)
{
    qsizetype n = s.size();
    while (n > 0 && s.at(n - 1) == QLatin1Char(' '))
        --n;
    return s.left(n);
}

// Replaces every occurrence of a placeholder, matched without regard to
// case. The search goes on after the inserted value, so a value that
// contains the placeholder itself is never expanded again.
void replaceAll(QString &text, const QString &placeholder, const QString &value)
{
    if (value.compare(placeholder, Qt::CaseInsensitive) == 0)
        return;
    qsizetype from = 0;
    while ((from = text.indexOf(placeholder, from, Qt::CaseInsensitive)) >= 0) {
        text.replace(from, placeholder.size(), value);
        from += value.size();
    }
}

} // namespace

ErrorManager::ErrorManager()
{
    init();
}

ErrorManager &ErrorManager::global()
{
    static ErrorManager manager;
    return manager;
}

void ErrorManager::init()
{
    QMutexLocker lock(&m_critsect);
    m_errors = builtinCatalogue();
    m_history.clear();
    defaultCategory = QStringLiteral("KRN");
    silent = false;
    logErrors = false;
    historyThreshold = 0;
    historyViewLevel = ResultFatal;
    historyResetOnView = false;
    messageStyle = 0;
}

void ErrorManager::appendCatalogue(const std::vector<CatalogueEntry> &entries)
{
    QMutexLocker lock(&m_critsect);
    m_errors.insert(m_errors.end(), entries.begin(), entries.end());
}

const CatalogueEntry *ErrorManager::entry(int id) const
{
    QMutexLocker lock(&m_critsect);
    // From the newest backwards, so an appended entry overrides an older one.
    for (auto it = m_errors.rbegin(); it != m_errors.rend(); ++it)
        if (it->id == id)
            return &*it;
    return nullptr;
}

QString ErrorManager::categoryOf(int id) const
{
    const CatalogueEntry *e = entry(id);
    return e && !e->category.isEmpty() ? e->category : defaultCategory;
}

void ErrorManager::setFieldName(ThreadContext &context, const QString &name)
{
    context.errorState.fieldName = clipped(name);
}

void ErrorManager::setFileName(ThreadContext &context, const QString &name)
{
    context.errorState.fileName = clipped(name);
}

void ErrorManager::setKeyName(ThreadContext &context, const QString &name)
{
    context.errorState.keyName = clipped(name);
}

void ErrorManager::setMessageText(ThreadContext &context, const QString &text)
{
    context.errorState.messageText = clipped(text);
}

void ErrorManager::pushProcedureName(ThreadContext &context, const QString &name)
{
    QMutexLocker lock(&m_critsect);
    context.pushProcedure(name);
}

void ErrorManager::popProcedureName(ThreadContext &context)
{
    QMutexLocker lock(&m_critsect);
    context.popProcedure();
}

QString ErrorManager::procedureName(const ThreadContext &context) const
{
    QMutexLocker lock(&m_critsect);
    return context.procedureName();
}

void ErrorManager::capture(ThreadContext &context)
{
    const DriverStatus &s = context.storage().lastStatus();
    ThreadErrorState &e = context.errorState;
    e.saveErrorCode = s.code;
    e.saveError = s.text;
    e.saveFileError = s.fileError;
    e.saveFileErrorCode = s.fileErrorCode;
}

void ErrorManager::loadEntry(ThreadContext &context, int id)
{
    ThreadErrorState &e = context.errorState;
    e.prevErrorId = e.errorBuffer.id;
    const CatalogueEntry *found = entry(id);
    if (found) {
        e.errorBuffer = *found;
    } else {
        // An unknown id is an empty message that shows nothing.
        e.errorBuffer = CatalogueEntry{id, ResultOk, QString(), QString(), QString()};
    }
}

QString ErrorManager::composeText(const ThreadContext &context) const
{
    const ThreadErrorState &e = context.errorState;
    QString text = e.errorBuffer.text.left(kMaxText);
    replaceAll(text, QStringLiteral("%FileErrorCode"), e.saveFileErrorCode);
    replaceAll(text, QStringLiteral("%FileError"), e.saveFileError);
    replaceAll(text, QStringLiteral("%File"), e.fileName);
    replaceAll(text, QStringLiteral("%Key"), e.keyName);
    replaceAll(text, QStringLiteral("%ErrorCode"), QString::number(e.saveErrorCode));
    const bool driverLevel = e.saveErrorCode == 90 || e.saveErrorCode == 100;
    replaceAll(text, QStringLiteral("%ErrorText"),
               driverLevel ? QStringLiteral("%1 (%2)").arg(e.saveFileError, e.saveFileErrorCode)
                           : QStringLiteral("%1 (%2)").arg(e.saveError).arg(e.saveErrorCode));
    replaceAll(text, QStringLiteral("%Error"), e.saveError);
    replaceAll(text, QStringLiteral("%Message"), e.messageText);
    replaceAll(text, QStringLiteral("%Field"), e.fieldName);
    replaceAll(text, QStringLiteral("%Procedure"), procedureName(context));
    replaceAll(text, QStringLiteral("%Category"),
               e.errorBuffer.category.isEmpty() ? defaultCategory : e.errorBuffer.category);
    if (text.contains(QLatin1String("%Previous"), Qt::CaseInsensitive)) {
        const CatalogueEntry *prev = e.prevErrorId ? entry(e.prevErrorId) : nullptr;
        replaceAll(text, QStringLiteral("%Previous"), prev ? prev->text : QString());
    }
    return text.left(kMaxText);
}

int ErrorManager::raise(ThreadContext &context, int id)
{
    capture(context);
    loadEntry(context, id);
    return take(context, id);
}

int ErrorManager::raiseWithText(ThreadContext &context, int id, const QString &text)
{
    setMessageText(context, text);
    return raise(context, id);
}

void ErrorManager::setError(ThreadContext &context, int id)
{
    capture(context);
    loadEntry(context, id);
}

int ErrorManager::raiseCurrent(ThreadContext &context)
{
    return take(context, context.errorState.errorBuffer.id);
}

int ErrorManager::take(ThreadContext &context, int id)
{
    Q_UNUSED(id);
    const CatalogueEntry &e = context.errorState.errorBuffer;
    const QString category = e.category.isEmpty() ? defaultCategory : e.category;
    QString text = composeText(context);
    switch (e.fatality) {
    case ResultOk:
        return ResultOk;
    case ResultAsk:
    case ResultCancel: {
        const int answer = present(e.title, text, MessageIcon::Exclamation, Button::Yes | Button::No, Button::Yes,
                                   e.fatality, category);
        return answer == Button::Yes ? ResultOk : ResultCancel;
    }
    case ResultNotify:
        present(e.title, text, MessageIcon::Information, Button::Ok, Button::Ok, e.fatality, category);
        return ResultNotify;
    default: // ResultFatal, ResultProgram and anything else end the program
        text += QLatin1String(FatalSuffix);
        present(e.title, text, MessageIcon::Information, Button::Ok, Button::Ok, e.fatality, category);
        // Leaving an event loop would not do: a fatal message often comes
        // before one runs, and the caller would go on to the next failure.
        if (m_fatalHandler)
            m_fatalHandler();
        else
            endProcess(FatalExitCode);
        return ResultFatal;
    }
}

void ErrorManager::endProcess(int status)
{
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(status);
}

int ErrorManager::ask(ThreadContext &context, int id, int buttons, int defaultButton)
{
    capture(context);
    loadEntry(context, id);
    const CatalogueEntry &e = context.errorState.errorBuffer;
    if (silent)
        return defaultButton;
    return present(e.title, composeText(context), MessageIcon::Exclamation, buttons, defaultButton, e.fatality,
                   e.category.isEmpty() ? defaultCategory : e.category);
}

int ErrorManager::present(const QString &caption, const QString &text, MessageIcon icon, int buttons,
                          int defaultButton, int severity, const QString &category)
{
    if (logErrors)
        writeLog(text);

    if (historyThreshold != 0) {
        QStringList shown;
        {
            QMutexLocker lock(&m_critsect);
            if (historyThreshold > 0)
                while (!m_history.isEmpty() && m_history.size() >= historyThreshold)
                    m_history.removeFirst();
            m_history.append(HistoryEntry{text.left(kMaxHistoryText), category, severity});
            if (severity == historyViewLevel)
                for (const HistoryEntry &h : std::as_const(m_history))
                    shown << h.message;
        }
        if (shown.isEmpty() || !m_presenter)
            return defaultButton;
        const int answer = m_presenter->showHistory(QStringLiteral("Errors History"), shown, buttons);
        if (historyResetOnView) {
            QMutexLocker lock(&m_critsect);
            m_history.clear();
        }
        return answer;
    }

    if (silent || !m_presenter)
        return defaultButton;
    MessageBoxRequest request;
    request.caption = caption;
    request.text = QString(text).replace(QLatin1Char('|'), QLatin1Char('\n'));
    request.icon = icon;
    request.buttons = buttons;
    request.defaultButton = defaultButton;
    request.style = messageStyle;
    return m_presenter->show(request);
}

QString ErrorManager::logPath() const
{
    return QDir(m_logFolder.isEmpty() ? QDir::currentPath() : m_logFolder).filePath(QStringLiteral("KRNError.Log"));
}

void ErrorManager::writeLog(const QString &text)
{
    QMutexLocker lock(&m_critsect);
    QFile log(logPath());
    // A log that cannot be written is no reason to bother the user.
    if (!log.open(QIODevice::ReadWrite | QIODevice::Append))
        return;
    const QLocale locale;
    QString line = locale.toString(QDate::currentDate(), QLocale::ShortFormat) + QLatin1Char('@')
        + locale.toString(QTime::currentTime(), QLocale::ShortFormat) + QLatin1String(" --> ") + text;
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    log.write(line.left(1024).toUtf8() + '\n');
}

QList<ErrorManager::HistoryEntry> ErrorManager::history() const
{
    QMutexLocker lock(&m_critsect);
    return m_history;
}

} // namespace tavimo
