#pragma once

#include <QByteArray>
#include <QByteArrayView>

namespace tavimo {

struct ReportControl;

// Reads a control's attribute text: groups written as a name and a
// parenthesised list of entries separated by "|", each entry a keyword,
// one separator character and the value. Only what drawing needs; names
// and keywords are matched with case.
class ControlAttributes
{
public:
    explicit ControlAttributes(QByteArrayView text) : m_text(text) {}

    // The value of the keyword in the group; empty when either is missing.
    QByteArray value(QByteArrayView group, QByteArrayView keyword) const;
    bool has(QByteArrayView group, QByteArrayView keyword) const;
    // A value that is there and is not zero ("0", "0.0") turns a switch on.
    bool isOn(QByteArrayView group, QByteArrayView keyword) const;
    int number(QByteArrayView group, QByteArrayView keyword) const;

    // The "ALL" group, which every output honours: SKIP leaves the control
    // out, HW and HH give it a width and a height.
    struct Box
    {
        int left = 0, top = 0, right = 0, bottom = 0;
    };
    static bool skipped(const ReportControl &control);
    static Box box(const ReportControl &control);

private:
    // The entries of the group, between its "(" and ")"; empty view when absent.
    QByteArrayView group(QByteArrayView name) const;

    QByteArrayView m_text;
};

} // namespace tavimo
