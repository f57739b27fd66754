#pragma once

#include "procedurewindow.h"

#include <QString>
#include <QStringList>

class QLabel;
class QPushButton;
class QVBoxLayout;

namespace tavimo {

class Record;

// "Your Doctor": the sponsoring doctor's name, practice and address, with
// a button that writes the doctor an e-mail and one that copies the lines.
class ShowDoc : public ProcedureWindow
{
    Q_OBJECT
public:
    explicit ShowDoc(ThreadContext &context, QWidget *owner = nullptr);

    // The lines shown for a sponsor record: a phone or fax line only when
    // there is a number.
    static QStringList linesOf(const Record &sponsor);

    const QStringList &lines() const { return m_lines; }
    const QString &emailAddress() const { return m_email; }
    QPushButton *emailButton() const { return m_emailButton; }
    QPushButton *copyButton() const { return m_copyButton; }
    QPushButton *closeButton() const { return m_closeButton; }

    // A new mail to the doctor in the desktop's mail program.
    void sendEmail();
    // The shown lines, one per line, on the clipboard.
    void copyToClipboard();

protected:
    void createContents(QDialog *window) override;
    int setup() override;
    void teardown() override;
    QString caption() const override { return QStringLiteral("Your Doctor"); }

private:
    QVBoxLayout *m_linesLayout = nullptr;
    QPushButton *m_emailButton = nullptr;
    QPushButton *m_copyButton = nullptr;
    QPushButton *m_closeButton = nullptr;
    QStringList m_lines;
    QString m_email;
    bool m_opened = false;
};

} // namespace tavimo
