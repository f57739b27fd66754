#pragma once

#include "messagepresenter.h"

#include <cstdio>

namespace tavimo {

// Writes every message to a stream and answers with the box's default
// button, for a run on a display that nobody sees, where a box would wait
// for ever.
class StreamPresenter final : public MessagePresenter
{
public:
    explicit StreamPresenter(std::FILE *stream) : m_stream(stream) {} // not owned

    int show(const MessageBoxRequest &request) override;
    int showHistory(const QString &caption, const QStringList &messages, int buttons) override;

private:
    std::FILE *m_stream;
};

} // namespace tavimo
