#pragma once

#include "messagecatalogue.h"
#include "messagepresenter.h"
#include "result.h"
#include "threaderrorstate.h"

#include <QMutex>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace tavimo {

class ThreadContext;

// Turns every failure, warning and question of the framework into a
// message box built from the numbered catalogue. Callers set the context
// (file, key, field, free text) and raise an id; the severity stored with
// the message decides the buttons, the icon and the result.
//
// One manager serves the whole program; the per-context state lives in
// each ThreadContext, the shared lists are guarded by CRITSECT.
class ErrorManager
{
public:
    struct HistoryEntry
    {
        QString message;
        QString category;
        int severity;
    };

    ErrorManager();

    // The program's one manager, shared by every context.
    static ErrorManager &global();

    // Loads the catalogue and resets every setting to its start value.
    void init();

    void setPresenter(MessagePresenter *presenter) { m_presenter = presenter; } // not owned
    MessagePresenter *presenter() const { return m_presenter; }

    // Called after the user's OK to a fatal message, to end the program.
    // The application's handler gives back what it holds and ends the
    // process; tests install one that only counts. Without a handler the
    // process ends at once with FatalExitCode.
    void setFatalHandler(std::function<void()> handler) { m_fatalHandler = std::move(handler); }
    const std::function<void()> &fatalHandler() const { return m_fatalHandler; }

    // The exit status of a program ended by a fatal message: the severity's
    // own number.
    static constexpr int FatalExitCode = ResultFatal;
    // Ends the process at once: nothing more runs, not even the destructors
    // of objects still on the stack, which may be in the middle of what
    // failed. Committed data is on disk already; an open transaction is
    // undone by the engine at the next open.
    [[noreturn]] static void endProcess(int status);

    // Raising: capture the context's driver codes, take the message, show
    // it by its severity and return the result.
    int raise(ThreadContext &context, int id);
    int raiseWithText(ThreadContext &context, int id, const QString &text);
    // The same without a box: the message becomes the current one, to be
    // shown later by raiseCurrent().
    void setError(ThreadContext &context, int id);
    int raiseCurrent(ThreadContext &context);
    int ask(ThreadContext &context, int id, int buttons, int defaultButton);

    void setFieldName(ThreadContext &context, const QString &name);
    void setFileName(ThreadContext &context, const QString &name);
    void setKeyName(ThreadContext &context, const QString &name);
    void setMessageText(ThreadContext &context, const QString &text);

    void pushProcedureName(ThreadContext &context, const QString &name);
    void popProcedureName(ThreadContext &context);
    QString procedureName(const ThreadContext &context) const;

    QString composeText(const ThreadContext &context) const;

    void appendCatalogue(const std::vector<CatalogueEntry> &entries);
    const CatalogueEntry *entry(int id) const; // the newest entry with this id
    QString categoryOf(int id) const;

    // DEFAULTCATEGORY, SILENT, LOGERRORS, HISTORYTHRESHOLD, HISTORYVIEWLEVEL,
    // HISTORYRESETONVIEW, MSGSTYLE: all off or at their start values.
    QString defaultCategory = QStringLiteral("KRN");
    bool silent = false;
    bool logErrors = false;
    int historyThreshold = 0;
    int historyViewLevel = ResultFatal;
    bool historyResetOnView = false;
    int messageStyle = 0;

    // The plain-text log (KRNError.Log) lives in this folder.
    void setLogFolder(const QString &folder) { m_logFolder = folder; }
    QString logPath() const;
    QList<HistoryEntry> history() const;

    static constexpr const char *FatalSuffix = "  Press OK to end this application";

private:
    int take(ThreadContext &context, int id);
    void capture(ThreadContext &context);
    void loadEntry(ThreadContext &context, int id);
    int present(const QString &caption, const QString &text, MessageIcon icon, int buttons, int defaultButton,
                int severity, const QString &category);
    void writeLog(const QString &text);

    mutable QMutex m_critsect; // CRITSECT
    std::vector<CatalogueEntry> m_errors; // ERRORS
    QList<HistoryEntry> m_history;        // HISTORY
    MessagePresenter *m_presenter = nullptr;
    std::function<void()> m_fatalHandler;
    QString m_logFolder;
};

} // namespace tavimo
