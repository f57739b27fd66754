#pragma once

#include "procedurewindow.h"

#include <QString>
#include <QStringList>
#include <QUrl>

#include <vector>

class QPushButton;

namespace tavimo {

// A small window of fixed texts, buttons that open pages of Tavimo's web
// site in the browser, and one button that closes it.
class InfoWindow : public ProcedureWindow
{
    Q_OBJECT
public:
    struct Link
    {
        QString caption;
        QUrl url;
    };

    static QUrl siteUrl(const QString &page = QString());

    const QStringList &texts() const { return m_texts; }
    const std::vector<Link> &links() const { return m_links; }
    const std::vector<QPushButton *> &linkButtons() const { return m_linkButtons; }
    QPushButton *closeButton() const { return m_close; }

protected:
    InfoWindow(ThreadContext &context, const QString &procedureName, QWidget *owner);
    void createContents(QDialog *window) override;
    QString caption() const override { return m_title; }

    QString m_title;
    QString m_heading;
    QStringList m_texts;
    std::vector<Link> m_links;
    QString m_closeCaption = QStringLiteral("&OK");

private:
    std::vector<QPushButton *> m_linkButtons;
    QPushButton *m_close = nullptr;
};

// "about": what Tavimo is and who makes it.
class AboutWindow : public InfoWindow
{
    Q_OBJECT
public:
    explicit AboutWindow(ThreadContext &context, QWidget *owner = nullptr);
};

// "donation": asks for a donation, with the page that takes one.
class DonationWindow : public InfoWindow
{
    Q_OBJECT
public:
    explicit DonationWindow(ThreadContext &context, QWidget *owner = nullptr);
};

// "links": useful pages of the web site.
class LinksWindow : public InfoWindow
{
    Q_OBJECT
public:
    explicit LinksWindow(ThreadContext &context, QWidget *owner = nullptr);
};

// "subscription": where the PDF documents are and how to upload them.
class SubscriptionWindow : public InfoWindow
{
    Q_OBJECT
public:
    explicit SubscriptionWindow(ThreadContext &context, QWidget *owner = nullptr);
};

} // namespace tavimo
