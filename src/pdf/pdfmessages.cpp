#include "pdfmessages.h"

#include <QDebug>

namespace tavimo {

void PdfMessages::show(const QString &title, const QString &text) const
{
    if (m_handler)
        m_handler(title, text);
    else
        qWarning().noquote() << title << ":" << text;
}

} // namespace tavimo
