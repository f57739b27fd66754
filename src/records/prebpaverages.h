#pragma once

#include "procedurewindow.h"

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace tavimo {

// "Select Records For Report": the date range the log reports print,
// asked before each of them.
class SelectRecordsForReport : public ProcedureWindow
{
    Q_OBJECT
public:
    explicit SelectRecordsForReport(ThreadContext &context, QWidget *owner = nullptr);

    QCheckBox *allBox() const { return m_all; }
    QLineEdit *fromEntry() const { return m_from; }
    QLineEdit *toEntry() const { return m_to; }
    QPushButton *printButton() const { return m_print; }

    // The Print button: writes the range and ends, or puts the focus back
    // on the from date when there is none.
    void pressPrint();

protected:
    void createContents(QDialog *window) override;
    int setup() override;
    QString caption() const override { return QStringLiteral("Select Records For Report"); }

private:
    QCheckBox *m_all = nullptr;
    QLineEdit *m_from = nullptr;
    QLineEdit *m_to = nullptr;
    QPushButton *m_print = nullptr;
};

} // namespace tavimo
