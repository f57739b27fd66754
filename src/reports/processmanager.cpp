#include "processmanager.h"

#include "contextnames.h"
#include "filemanager.h"
#include "record.h"
#include "stepmanager.h"
#include "storedtable.h"

#include <QFileInfo>

#include <algorithm>

namespace tavimo {

int ProcessManager::reset()
{
    recordsProcessed = 0;
    bytesRead = 0;
    m_percentile = 0;
    if (!isOpen()) {
        const int opened = open();
        if (opened != ResultOk)
            return opened;
    }
    if (stepManager) {
        // The first and the last record of the view give the limits.
        FilterValue low, high;
        if (restart() == ResultOk && ViewManager::next() == ResultOk)
            low = keyValue();
        if (restart() == ResultOk && ViewManager::previous() == ResultOk)
            high = keyValue();
        stepManager->setLimits(low, high);
    } else if (recordsToProcess == 0) {
        const std::int64_t count = file().table().records();
        if (count > 0)
            recordsToProcess = count;
        else if (count == 0 && fileSize == 0)
            fileSize = QFileInfo(file().table().path()).size();
    }
    return restart();
}

int ProcessManager::next()
{
    const int result = ViewManager::next();
    if (result == ResultOk)
        takeRecord();
    return result;
}

FilterValue ProcessManager::keyValue() const
{
    FilterValue value = filterValueOf(file().record(), valueField);
    if (value.kind == FilterValue::Kind::Text && !caseSensitiveValue)
        value.text = value.text.toUpper();
    return value;
}

int ProcessManager::computePercentile() const
{
    std::int64_t percent = 0;
    if (stepManager)
        percent = stepManager->percentile(keyValue());
    else if (fileSize > 0)
        percent = bytesRead * 100 / fileSize;
    else if (recordsToProcess > 0)
        percent = recordsProcessed * 100 / recordsToProcess;
    return int(std::clamp<std::int64_t>(percent, 0, 100));
}

void ProcessManager::takeRecord()
{
    ++recordsProcessed;
    if (fileSize > 0)
        bytesRead += file().record().size();
    const int percent = computePercentile();
    if (percent == m_percentile)
        return;
    m_percentile = percent;
    if (m_display)
        m_display(percent);
}

} // namespace tavimo
