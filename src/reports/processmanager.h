#pragma once

#include "viewmanager.h"

#include <cstdint>
#include <functional>

namespace tavimo {

class StepManager;

// The view a report reads, stepped through one record at a time, keeping
// how far the run has got as a whole percentage.
class ProcessManager : public ViewManager
{
public:
    // Called with the new percentage whenever it changes.
    using Display = std::function<void(int percent)>;

    // Opens the view when needed and starts it again at its first record;
    // the counts go back to 0 and the percentage source is set up. The
    // result of the view's open or restart.
    virtual int reset();
    // ResultOk with a record in the buffer, ResultNotify at the end of the
    // view, ResultFatal on a read error (already told).
    virtual int next();

    // Where the percentage comes from, in this order: the step manager
    // (reading valueField), bytes read of fileSize, records processed of
    // recordsToProcess. Either count left at 0 is taken from the table at
    // reset, the record count first.
    std::int64_t bytesRead = 0;
    std::int64_t fileSize = 0;
    std::int64_t recordsProcessed = 0;
    std::int64_t recordsToProcess = 0;
    StepManager *stepManager = nullptr; // not owned
    int valueField = -1;
    bool caseSensitiveValue = false;

    int percentile() const { return m_percentile; }
    void setDisplay(Display display) { m_display = std::move(display); }

protected:
    // Counts the record now in the buffer and redraws the percentage when
    // it changed.
    void takeRecord();

private:
    FilterValue keyValue() const;
    int computePercentile() const;

    int m_percentile = 0;
    Display m_display;
};

} // namespace tavimo
