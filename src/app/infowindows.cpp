#include "infowindows.h"

#include "places.h"
#include "processvalues.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QDir>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace tavimo {

QUrl InfoWindow::siteUrl(const QString &page)
{
    return QUrl(QStringLiteral("https://tavimo.example.org/") + page);
}

InfoWindow::InfoWindow(ThreadContext &context, const QString &procedureName, QWidget *owner)
    : ProcedureWindow(context, procedureName, owner)
{
}

void InfoWindow::createContents(QDialog *window)
{
    auto *layout = new QVBoxLayout(window);
    auto *top = new QHBoxLayout;
    auto *mark = new QLabel(window);
    mark->setPixmap(QIcon(QStringLiteral(":/tavimo/tvonly.png")).pixmap(48, 48));
    mark->setAlignment(Qt::AlignTop);
    top->addWidget(mark);

    auto *texts = new QVBoxLayout;
    if (!m_heading.isEmpty()) {
        auto *heading = new QLabel(m_heading, window);
        QFont font = heading->font();
        font.setBold(true);
        font.setPointSizeF(font.pointSizeF() * 1.3);
        heading->setFont(font);
        texts->addWidget(heading);
    }
    for (const QString &text : m_texts) {
        auto *label = new QLabel(text, window);
        label->setWordWrap(true);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        texts->addWidget(label);
    }
    texts->addStretch(1);
    top->addLayout(texts, 1);
    layout->addLayout(top);

    auto *buttons = new QHBoxLayout;
    for (const Link &link : m_links) {
        auto *b = new QPushButton(link.caption, window);
        b->setAutoDefault(false);
        b->setToolTip(link.url.toString());
        connect(b, &QPushButton::clicked, this, [url = link.url] { QDesktopServices::openUrl(url); });
        buttons->addWidget(b);
        m_linkButtons.push_back(b);
    }
    buttons->addStretch(1);
    m_close = new QPushButton(m_closeCaption, window);
    m_close->setDefault(true);
    buttons->addWidget(m_close);
    layout->addLayout(buttons);
    addButton(m_close, Response::Completed);

    window->setMinimumWidth(460);
}

AboutWindow::AboutWindow(ThreadContext &context, QWidget *owner)
    : InfoWindow(context, QStringLiteral("about"), owner)
{
    m_title = tr("About Tavimo");
    m_heading = QStringLiteral("Tavimo\u2122");
    const QString version = QCoreApplication::applicationVersion();
    if (!version.isEmpty())
        m_texts << tr("Version %1").arg(version);
    m_texts << tr("Keeps the health records of your household: profiles, logs of readings and visits, "
                  "prescriptions with refill reminders, reports and PDF documents for your doctor.")
            << tr("Made by Quorvex Inc.") << defaultDisclaimerText();
    m_links = {{tr("&Visit Our Web Site"), siteUrl()}};
}

DonationWindow::DonationWindow(ThreadContext &context, QWidget *owner)
    : InfoWindow(context, QStringLiteral("donation"), owner)
{
    m_title = tr("Make A Donation");
    m_heading = tr("Help keep Tavimo going");
    m_texts << tr("Tavimo is looked after and improved with the help of the households that use it.")
            << tr("If it helps you keep your family's health records in order, please consider a donation "
                  "of any size. Thank you!");
    m_links = {{tr("&Donate Online"), siteUrl(QStringLiteral("donate"))}};
    m_closeCaption = tr("&Close");
}

LinksWindow::LinksWindow(ThreadContext &context, QWidget *owner)
    : InfoWindow(context, QStringLiteral("links"), owner)
{
    m_title = tr("Useful Links");
    m_heading = tr("Useful Links");
    m_texts << tr("Pages of the Tavimo web site that you may find useful. Each opens in your browser.");
    m_links = {{tr("&Home Page"), siteUrl()},
               {tr("&Questions and Answers"), siteUrl(QStringLiteral("faq"))},
               {tr("&Support"), siteUrl(QStringLiteral("support"))},
               {tr("&News"), siteUrl(QStringLiteral("news"))}};
    m_closeCaption = tr("&Close");
}

SubscriptionWindow::SubscriptionWindow(ThreadContext &context, QWidget *owner)
    : InfoWindow(context, QStringLiteral("subscription"), owner)
{
    m_title = tr("Upload Your PDF Documents");
    m_heading = tr("Upload Your PDF Documents");
    m_texts << tr("Your health reports and other documents are saved as PDF files in your upload folder:")
            << QDir::toNativeSeparators(uploadFolder())
            << tr("With a subscription to the Tavimo document service you can upload them, open them "
                  "wherever you are, and let your doctor see them.");
    m_links = {{tr("&Subscribe Online"), siteUrl(QStringLiteral("subscribe"))}};
    m_closeCaption = tr("&Close");
}

} // namespace tavimo
