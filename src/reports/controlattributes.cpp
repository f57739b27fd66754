#include "controlattributes.h"

#include "reportcontrol.h"

namespace tavimo {

namespace {

bool isKeywordChar(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

} // namespace

QByteArrayView ControlAttributes::group(QByteArrayView name) const
{
    qsizetype at = 0;
    while (at < m_text.size()) {
        // A group name is the run of keyword characters just before "(".
        while (at < m_text.size() && !isKeywordChar(m_text[at]))
            ++at;
        const qsizetype nameStart = at;
        while (at < m_text.size() && isKeywordChar(m_text[at]))
            ++at;
        const QByteArrayView found = m_text.sliced(nameStart, at - nameStart);
        if (at >= m_text.size() || m_text[at] != '(')
            continue;
        const qsizetype open = at + 1;
        qsizetype close = open;
        while (close < m_text.size() && m_text[close] != ')')
            ++close;
        if (found == name)
            return m_text.sliced(open, close - open);
        at = close + 1;
    }
    return {};
}

QByteArray ControlAttributes::value(QByteArrayView groupName, QByteArrayView keyword) const
{
    const QByteArrayView entries = group(groupName);
    qsizetype at = 0;
    while (at < entries.size()) {
        qsizetype end = at;
        while (end < entries.size() && entries[end] != '|')
            ++end;
        const QByteArrayView entry = entries.sliced(at, end - at);
        // The keyword runs up to the separator, so "Bookmark" never takes
        // the entry of "BookmarkParent".
        qsizetype k = 0;
        while (k < entry.size() && isKeywordChar(entry[k]))
            ++k;
        if (entry.first(k) == keyword && k < entry.size())
            return entry.sliced(k + 1).toByteArray();
        at = end + 1;
    }
    return {};
}

bool ControlAttributes::has(QByteArrayView groupName, QByteArrayView keyword) const
{
    return !value(groupName, keyword).isEmpty();
}

bool ControlAttributes::isOn(QByteArrayView groupName, QByteArrayView keyword) const
{
    const QByteArray v = value(groupName, keyword).trimmed();
    if (v.isEmpty())
        return false;
    bool numeric = false;
    const double n = v.toDouble(&numeric);
    return !numeric || n != 0;
}

int ControlAttributes::number(QByteArrayView groupName, QByteArrayView keyword) const
{
    return value(groupName, keyword).trimmed().toInt();
}

bool ControlAttributes::skipped(const ReportControl &control)
{
    return ControlAttributes(control.attributes).isOn("ALL", "SKIP");
}

ControlAttributes::Box ControlAttributes::box(const ReportControl &control)
{
    const ControlAttributes attributes(control.attributes);
    const int width = attributes.number("ALL", "HW");
    const int height = attributes.number("ALL", "HH");
    Box out{control.left, control.top, control.right, control.bottom};
    if (width != 0 || height != 0) {
        out.right = out.left + width;
        out.bottom = out.top + height;
    }
    return out;
}

} // namespace tavimo
