#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

class QWidget;

namespace tavimo {

class IReportGenerator;
class ThreadContext;

// What the user chose to send a report to.
struct TargetChoice
{
    enum Kind { Cancelled, Printer, Generator };
    Kind kind = Cancelled;
    IReportGenerator *generator = nullptr; // with Generator
};

// The output generators a report can go to besides the printer, and the
// choice between them ("Select an Output").
class ReportTargetSelector
{
public:
    // Shows the entries and answers the row taken, from 0, or -1 for
    // Cancel. The first entry is the printer when printerFirst is set.
    using Chooser = std::function<int(const QStringList &entries, bool printerFirst, QWidget *parent)>;

    // Raised when a generator is asked for by a number it does not have.
    static constexpr int InvalidGeneratorMessage = 70;

    explicit ReportTargetSelector(ThreadContext &context);

    // Registers a generator (not owned) under its name; one registered
    // again under a name already taken replaces the older, keeping its
    // number. Returns the number, from 1.
    int addGenerator(IReportGenerator &generator, bool enabled = true);
    IReportGenerator *generator(const QString &name) const; // any case; null when none
    IReportGenerator *generator(int number) const;          // null when none
    int count() const { return int(m_entries.size()); }
    void setEnabled(int number, bool enabled);
    bool isEnabled(int number) const;
    // The generator's name; a number not in the list says so and gives "".
    QString generatorName(int number);

    // Without a choice to make (the printer wanted and no generator, or
    // no printer and one generator) no window shows. Disabled generators
    // are not offered.
    TargetChoice ask(bool withPrinter, QWidget *parent = nullptr);

    // The "Select an Output" window unless another is set (tests).
    void setChooser(Chooser chooser) { m_chooser = std::move(chooser); }

private:
    struct Entry
    {
        IReportGenerator *generator;
        bool enabled;
    };

    ThreadContext &m_context;
    std::vector<Entry> m_entries;
    Chooser m_chooser;
};

} // namespace tavimo
