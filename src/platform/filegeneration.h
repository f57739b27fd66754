#pragma once

#include <QString>

#include <atomic>
#include <cstdint>
#include <memory>

namespace tavimo {

// A process-wide counter per data file, raised on every write from any
// context, so that records read ahead are dropped once the file changed.
std::shared_ptr<std::atomic<std::uint64_t>> fileGeneration(const QString &path);

} // namespace tavimo
