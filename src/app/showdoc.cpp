#include "showdoc.h"

#include "filemanager.h"
#include "record.h"
#include "relationmanager.h"
#include "storedtable.h"
#include "tables.h"
#include "threadcontext.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QDialog>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

namespace tavimo {

ShowDoc::ShowDoc(ThreadContext &context, QWidget *owner) : ProcedureWindow(context, QStringLiteral("showdoc"), owner)
{
}

QStringList ShowDoc::linesOf(const Record &sponsor)
{
    auto field = [&sponsor](const char *name) { return sponsor.text(QString::fromLatin1(name)).trimmed(); };
    QStringList lines{field("SPO:DOCTORSNAME"), field("SPO:PRACTICENAME"), field("SPO:SPECIALTY"),
                      field("SPO:ADDRESS1"), field("SPO:ADDRESS2")};
    // No stray comma when the city or the rest is missing.
    const QString region = (field("SPO:STATE") + QLatin1Char(' ') + field("SPO:ZIPCODE")).trimmed();
    const QString city = field("SPO:CITY");
    lines << (city.isEmpty() || region.isEmpty() ? (city + region) : city + QStringLiteral(", ") + region);
    if (!field("SPO:PHONENUMBER").isEmpty())
        lines << QStringLiteral("Phone: ") + field("SPO:PHONENUMBER");
    if (!field("SPO:FAXNUMBER").isEmpty())
        lines << QStringLiteral("Fax: ") + field("SPO:FAXNUMBER");
    lines << field("SPO:EMAILADDRESS");
    return lines;
}

void ShowDoc::createContents(QDialog *window)
{
    auto *layout = new QVBoxLayout(window);
    m_linesLayout = new QVBoxLayout;
    m_linesLayout->setSpacing(2);
    layout->addLayout(m_linesLayout);
    layout->addSpacing(12);
    layout->addStretch(1); // a taller window keeps the lines together

    auto *buttons = new QHBoxLayout;
    m_emailButton = new QPushButton(tr("Send an Email To Dr."), window);
    m_copyButton = new QPushButton(tr("Copy To Clipboard"), window);
    m_closeButton = new QPushButton(tr("Close"), window);
    m_emailButton->setAutoDefault(false);
    m_copyButton->setAutoDefault(false);
    m_closeButton->setDefault(true);
    buttons->addWidget(m_emailButton);
    buttons->addWidget(m_copyButton);
    buttons->addStretch(1);
    buttons->addWidget(m_closeButton);
    layout->addLayout(buttons);

    connect(m_emailButton, &QPushButton::clicked, this, &ShowDoc::sendEmail);
    connect(m_copyButton, &QPushButton::clicked, this, &ShowDoc::copyToClipboard);
    addButton(m_closeButton, Response::Completed);
}

int ShowDoc::setup()
{
    RelationManager &sponsors = *m_context.relationManager(tables::sponsor());
    if (sponsors.open() != ResultOk)
        return ResultFatal;
    m_opened = true;

    // The first sponsor in record order; none leaves the lines blank.
    FileManager &file = sponsors.file();
    file.record().clear();
    if (m_context.table(tables::sponsor()).set(StoredTable::ByTable) != 0 || file.nextQuiet() != ResultOk)
        file.record().clear();
    m_lines = linesOf(file.record());
    m_email = file.record().text("SPO:EMAILADDRESS").trimmed();

    for (int i = 0; i < m_lines.size(); ++i) {
        auto *label = new QLabel(m_lines[i], m_window);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        if (i == 0) {
            QFont bold = label->font();
            bold.setBold(true);
            label->setFont(bold);
        }
        m_linesLayout->addWidget(label);
    }
    m_emailButton->setEnabled(!m_email.isEmpty());
    m_closeButton->setFocus();
    return ResultOk;
}

void ShowDoc::teardown()
{
    if (m_opened)
        m_context.relationManager(tables::sponsor())->close();
    m_opened = false;
}

void ShowDoc::sendEmail()
{
    if (!m_email.isEmpty())
        QDesktopServices::openUrl(QUrl(QStringLiteral("mailto:") + m_email));
}

void ShowDoc::copyToClipboard()
{
    QGuiApplication::clipboard()->setText(m_lines.join(QLatin1Char('\n')));
}

} // namespace tavimo
