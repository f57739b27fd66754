#pragma once

#include "fieldbinding.h"
#include "procedurewindow.h"

#include <QKeySequence>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

class QButtonGroup;
class QCheckBox;
class QSpinBox;
class QComboBox;
class QFormLayout;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace tavimo {

class Record;

// An entry form: carries out the caller's request (insert, change, delete,
// view) on one record of its primary table, with validation, confirmation
// questions, retries after failures and recall of the last entries.
// Controls are bound to record fields by name, so a form mostly declares
// its fields.
class FormWindow : public ProcedureWindow
{
    Q_OBJECT
public:
    FormWindow(ThreadContext &context, const QString &procedureName, RelationManager &primary,
               QWidget *owner = nullptr);
    ~FormWindow() override;

    RelationManager &primary() const { return m_primary; }
    FileManager &file() const;
    Record &record() const;

    // What happens after a successful insert: 1 none, 2 close, 3 start another
    // record, 4 ask "Record Added".
    int insertAction = 2;
    int changeAction = 2; // 2 close, anything else keeps the form open
    // 2 ask "Confirm Delete" and delete without the form, 4 delete without
    // asking, anything else shows the form and deletes on OK.
    int deleteAction = 2;
    // bit 1: offer to save changes on cancel; bit 2: ask first. Without bit 1
    // the form asks "Changes will be lost!", as the program's forms do.
    int cancelAction = 2;
    QString lastInsertedPosition;
    QKeySequence historyKey = QKeySequence(Qt::CTRL | Qt::Key_H);
    // The message that says an entry was refused, naming the field and the form expected.
    static constexpr int EntryRefusedMessage = 60;

    // Binding controls to fields; the control is made to fit the field.
    QLineEdit *bindText(QLineEdit *edit, const char *field);
    QLineEdit *bindText(QLineEdit *edit, const char *field, const QString &picture);
    QCheckBox *bindCheck(QCheckBox *box, const char *field, const QString &on = QStringLiteral("Y"),
                         const QString &off = QString());
    QComboBox *bindChoice(QComboBox *box, const char *field); // item data are the stored values
    QPlainTextEdit *bindMemo(QPlainTextEdit *edit);
    // Radio buttons (each with a "value" property) storing into one field.
    QWidget *bindOption(QWidget *box, QButtonGroup *group, const char *field);
    QSpinBox *bindSpin(QSpinBox *spin, const char *field, int low, int high);
    // Whether Ctrl+H recalls the control's field (all bound controls do at first).
    void setRecallable(QWidget *control, bool recallable);
    void bind(std::unique_ptr<FieldBinding> binding);
    const std::vector<std::unique_ptr<FieldBinding>> &bindings() const { return m_bindings; }

    // The buffers of other tables the form changes and must give back.
    void keepBuffer(FileManager &file);

    void setFirstField(QWidget *control) { m_firstField = control; }
    QPushButton *okButton() const { return m_ok; }
    QPushButton *cancelButton() const { return m_cancel; }
    QPushButton *saveButton() const { return m_save; }

    // The buttons' work, also for tests and keyboard use.
    void pressOk();
    void pressSave();
    void pressCancel();
    void recallField(QWidget *control);

    // Shows the record in the controls again.
    void showRecord();
    // What the form worked out on opening is not a change of the user's:
    // the copy that changes are measured against is taken again.
    void renewSavedCopy();

protected:
    // The form's own fields and layout; `fields` is where the prompts go.
    virtual void createFields(QWidget *area) = 0;
    // A new record was just prepared (the form may set the response to
    // cancelled to refuse it).
    virtual void initialValues() {}
    virtual QString helpTopic() const { return QString(); }

    void createContents(QDialog *window) override;
    int setup() override;
    void teardown() override;
    QString caption() const override;
    bool closeRequested() override;
    bool eventFilter(QObject *watched, QEvent *event) override;

    virtual int prepareRequest();
    void complete();
    void doInsert();
    void doChange();
    void doDelete();
    void doSave();
    void selectFirstField();
    bool takeEntries(bool reject);
    // Tells the user that the entry of a control was refused and why, and
    // selects it again.
    void refuseEntry(QWidget *control, const QString &expected);
    // The prompt that names the control, without its mnemonic and colon.
    QString promptOf(QWidget *control) const;
    // The record was saved: the next form of this table can recall it.
    void rememberSaved();
    bool recordChanged();

private:
    RelationManager &m_primary;
    std::vector<std::unique_ptr<FieldBinding>> m_bindings;
    std::vector<std::pair<FileManager *, int>> m_kept;
    std::unique_ptr<Record> m_history; // what was entered last in this form
    std::vector<QWidget *> m_notRecalled;
    int m_saved = 0;
    bool m_filesOpened = false;
    bool m_accepting = false;
    QWidget *m_firstField = nullptr;
    QPushButton *m_ok = nullptr;
    QPushButton *m_cancel = nullptr;
    QPushButton *m_save = nullptr;
    QPushButton *m_help = nullptr;
};

} // namespace tavimo
