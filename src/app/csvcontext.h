#pragma once

#include "errormanager.h"
#include "messagepresenter.h"
#include "threadcontext.h"

#include <QString>

#include <memory>

namespace tavimo::csv {

// A program context over a data folder for work without a window: its
// messages are kept instead of shown, since nobody is there to answer
// them, and a fatal one ends nothing; the caller tells it on one line.
class QuietContext
{
public:
    explicit QuietContext(const QString &dataFolder);
    ~QuietContext();
    QuietContext(const QuietContext &) = delete;
    QuietContext &operator=(const QuietContext &) = delete;

    ThreadContext &context() { return *m_context; }
    const QString &dataFolder() const { return m_folder; }
    // Whether the table's data file is there (opening a table makes it).
    bool hasFile(const TableLayout &table);

    // The last message raised, on one line ("Range Error: The value of ..."),
    // and its catalogue id; empty and 0 when none was since clearMessage().
    QString lastMessage() const { return m_collector.last; }
    int lastMessageId() const { return m_collector.last.isEmpty() ? 0 : m_context->errorState.errorBuffer.id; }
    void clearMessage() { m_collector.last.clear(); }

private:
    class Collector final : public MessagePresenter
    {
    public:
        int show(const MessageBoxRequest &request) override;
        int showHistory(const QString &caption, const QStringList &messages, int buttons) override;
        QString last;
    };

    QString m_folder;
    Collector m_collector;
    ErrorManager m_errors;
    std::unique_ptr<ThreadContext> m_context;
};

} // namespace tavimo::csv
