#include "controlattributes.h"

#include "reportcontrol.h"

namespace tavimo {

namespace {

bool isKeywordChar(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

} // namespace

ControlAttributes::ControlAttributes(QByteArrayView text)
{
    parse(text);
}

// The views point into the caller's text, which outlives every lookup.
void ControlAttributes::parse(QByteArrayView text)
{
    const qsizetype size = text.size();
    qsizetype at = 0;
    const auto fail = [&](qsizetype where) { m_errorPosition = int(where) + 1; };
    while (true) {
        while (at < size && isBlank(text[at]))
            ++at;
        if (at >= size)
            return;
        const qsizetype nameStart = at;
        while (at < size && isKeywordChar(text[at]))
            ++at;
        if (at == nameStart || at >= size || text[at] != '(')
            return fail(at);
        const QByteArrayView group = text.sliced(nameStart, at - nameStart);
        const qsizetype open = at++;
        // Entries up to the closing parenthesis.
        std::vector<Entry> entries;
        while (true) {
            if (at >= size)
                return fail(open); // never closed
            if (text[at] == ')') {
                ++at;
                break;
            }
            if (text[at] == '|') { // an empty entry
                ++at;
                continue;
            }
            const qsizetype keyStart = at;
            while (at < size && isKeywordChar(text[at]))
                ++at;
            if (at == keyStart || at >= size || text[at] == '|' || text[at] == ')')
                return fail(at); // no keyword, or a keyword without its separator
            const QByteArrayView keyword = text.sliced(keyStart, at - keyStart);
            const qsizetype valueStart = ++at; // past the separator
            while (at < size && text[at] != '|' && text[at] != ')')
                ++at;
            entries.push_back(Entry{group, keyword, text.sliced(valueStart, at - valueStart)});
            if (at < size && text[at] == '|')
                ++at;
        }
        m_entries.insert(m_entries.end(), entries.begin(), entries.end());
    }
}

QByteArray ControlAttributes::value(QByteArrayView group, QByteArrayView keyword) const
{
    for (const Entry &e : m_entries)
        if (e.group == group && e.keyword == keyword)
            return e.value.toByteArray();
    return {};
}

bool ControlAttributes::has(QByteArrayView group, QByteArrayView keyword) const
{
    return !value(group, keyword).isEmpty();
}

bool ControlAttributes::isOn(QByteArrayView group, QByteArrayView keyword) const
{
    const QByteArray v = value(group, keyword).trimmed();
    if (v.isEmpty())
        return false;
    bool numeric = false;
    const double n = v.toDouble(&numeric);
    return !numeric || n != 0;
}

int ControlAttributes::number(QByteArrayView group, QByteArrayView keyword) const
{
    return value(group, keyword).trimmed().toInt();
}

bool ControlAttributes::skipped(const ReportControl &control)
{
    return !control.attributes.isEmpty() && ControlAttributes(control.attributes).isOn("ALL", "SKIP");
}

ControlAttributes::Box ControlAttributes::box(const ReportControl &control)
{
    if (control.attributes.isEmpty())
        return Box{control.left, control.top, control.right, control.bottom};
    return ControlAttributes(control.attributes).boxOf(control);
}

ControlAttributes::Box ControlAttributes::boxOf(const ReportControl &control) const
{
    const int width = number("ALL", "HW");
    const int height = number("ALL", "HH");
    Box out{control.left, control.top, control.right, control.bottom};
    if (width != 0 || height != 0) {
        out.right = out.left + width;
        out.bottom = out.top + height;
    }
    return out;
}

} // namespace tavimo
