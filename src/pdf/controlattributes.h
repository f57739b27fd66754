#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <vector>

namespace tavimo {

struct ReportControl;

// Reads a control's attribute text: groups written as a name and a
// parenthesised list of entries separated by "|", each entry a keyword,
// one separator character and the value, as in
//     ALL(HW=1500)PDF(HIDE=1|PDFActionType=1|Hyperlink=Hyperlink)
// Groups may be separated by blanks. Names and keywords are matched with
// case; a keyword nobody asks for is simply never looked at.
//
// Malformed text is read up to the fault: the groups complete before it
// count, and errorPosition() says where reading stopped.
class ControlAttributes
{
public:
    // The text is read where it is: it must outlive this reader.
    explicit ControlAttributes(QByteArrayView text);

    // The value of the keyword in the group; empty when either is missing.
    QByteArray value(QByteArrayView group, QByteArrayView keyword) const;
    bool has(QByteArrayView group, QByteArrayView keyword) const;
    // A value that is there and is not zero ("0", "0.0") turns a switch on.
    bool isOn(QByteArrayView group, QByteArrayView keyword) const;
    int number(QByteArrayView group, QByteArrayView keyword) const;

    bool isMalformed() const { return m_errorPosition > 0; }
    // From 1, the character at which the text stopped making sense; 0 when
    // it is well formed.
    int errorPosition() const { return m_errorPosition; }

    // The "ALL" group, which every output honours: SKIP leaves the control
    // out, HW and HH give it a width and a height.
    struct Box
    {
        int left = 0, top = 0, right = 0, bottom = 0;
    };
    static bool skipped(const ReportControl &control);
    static Box box(const ReportControl &control);
    Box boxOf(const ReportControl &control) const; // this text's HW and HH

private:
    struct Entry
    {
        QByteArrayView group, keyword, value;
    };
    void parse(QByteArrayView text);

    std::vector<Entry> m_entries;
    int m_errorPosition = 0;
};

} // namespace tavimo
