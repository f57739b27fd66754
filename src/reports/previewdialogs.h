#pragma once

#include "pagestoprint.h"

#include <QDialog>
#include <QString>

class QLineEdit;
class QPushButton;
class QSpinBox;

namespace tavimo {

// "Jump to a Report Page": a page number of up to five digits.
class JumpPageDialog : public QDialog
{
    Q_OBJECT
public:
    JumpPageDialog(int current, int pageCount, QWidget *parent = nullptr);
    int page() const;
    QSpinBox *pageBox() const { return m_page; }

private:
    QSpinBox *m_page;
};

// "Pages to Print": the list of pages and ranges that printing keeps.
class PagesToPrintDialog : public QDialog
{
    Q_OBJECT
public:
    static constexpr int MaxLength = PagesToPrint::MaxLength;

    PagesToPrintDialog(const QString &pages, int pageCount, QWidget *parent = nullptr);
    QString pages() const;
    static QString defaultPages(int pageCount) { return PagesToPrint::defaultList(pageCount); }

    QLineEdit *pagesEdit() const { return m_pages; }
    QPushButton *resetButton() const { return m_reset; }

private:
    QLineEdit *m_pages;
    QPushButton *m_reset;
};

} // namespace tavimo
