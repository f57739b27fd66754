#include "formwindow.h"

#include "errormanager.h"
#include "filemanager.h"
#include "helpviewer.h"
#include "picturebinding.h"
#include "record.h"
#include "relationmanager.h"
#include "softcheck.h"
#include "storedtable.h"
#include "threadcontext.h"

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include <cstring>
#include <map>

namespace tavimo {

namespace {

class TextBinding : public FieldBinding
{
public:
    using FieldBinding::FieldBinding;
    void load(const Record &record) override
    {
        if (auto *e = qobject_cast<QLineEdit *>(m_control.data()))
            e->setText(record.text(m_field));
    }
    bool store(Record &record, QString *) override
    {
        if (auto *e = qobject_cast<QLineEdit *>(m_control.data()))
            record.setText(m_field, e->text());
        return true;
    }
};

class CheckBinding : public FieldBinding
{
public:
    CheckBinding(QWidget *control, int field, QString on, QString off)
        : FieldBinding(control, field), m_on(std::move(on)), m_off(std::move(off))
    {
    }
    void load(const Record &record) override
    {
        if (auto *b = qobject_cast<QCheckBox *>(m_control.data()))
            b->setChecked(record.text(m_field) == m_on);
    }
    bool store(Record &record, QString *) override
    {
        if (auto *b = qobject_cast<QCheckBox *>(m_control.data()))
            record.setText(m_field, b->isChecked() ? m_on : m_off);
        return true;
    }

private:
    QString m_on;
    QString m_off;
};

class ChoiceBinding : public FieldBinding
{
public:
    using FieldBinding::FieldBinding;
    void load(const Record &record) override
    {
        if (auto *c = qobject_cast<QComboBox *>(m_control.data())) {
            const int at = c->findData(record.text(m_field));
            c->setCurrentIndex(at);
        }
    }
    bool store(Record &record, QString *) override
    {
        if (auto *c = qobject_cast<QComboBox *>(m_control.data()))
            record.setText(m_field, c->currentIndex() >= 0 ? c->currentData().toString() : QString());
        return true;
    }
};

class MemoBinding : public FieldBinding
{
public:
    using FieldBinding::FieldBinding;
    void load(const Record &record) override
    {
        if (auto *e = qobject_cast<QPlainTextEdit *>(m_control.data()))
            e->setPlainText(record.memo());
    }
    bool store(Record &record, QString *) override
    {
        if (auto *e = qobject_cast<QPlainTextEdit *>(m_control.data()))
            record.setMemo(e->toPlainText());
        return true;
    }
};

// Radio buttons whose values are stored in one text field.
class OptionBinding : public FieldBinding
{
public:
    OptionBinding(QWidget *box, int field, QButtonGroup *group) : FieldBinding(box, field), m_group(group) {}
    void load(const Record &record) override
    {
        if (!m_group)
            return;
        const QString value = record.text(m_field);
        // A value matching no button leaves them all clear.
        m_group->setExclusive(false);
        for (QAbstractButton *b : m_group->buttons())
            b->setChecked(b->property("value").toString() == value);
        m_group->setExclusive(true);
    }
    bool store(Record &record, QString *) override
    {
        if (QAbstractButton *b = m_group ? m_group->checkedButton() : nullptr)
            record.setText(m_field, b->property("value").toString());
        return true;
    }

private:
    QPointer<QButtonGroup> m_group;
};

class SpinBinding : public FieldBinding
{
public:
    using FieldBinding::FieldBinding;
    void load(const Record &record) override
    {
        if (auto *s = qobject_cast<QSpinBox *>(m_control.data()))
            s->setValue(int(record.integer(m_field)));
    }
    bool store(Record &record, QString *) override
    {
        if (auto *s = qobject_cast<QSpinBox *>(m_control.data()))
            record.setInteger(m_field, s->value());
        return true;
    }
};

int fieldOf(const Record &record, const char *name)
{
    const int field = record.layout().fieldIndex(QString::fromLatin1(name));
    softCheck(field >= 0, "FormWindow::bind", QString::fromLatin1(name));
    return field;
}

// The last record saved in each table, so that Ctrl+H in the next form of
// the table recalls what was entered before, as a person expects.
std::map<QString, Record> &lastSaved()
{
    static std::map<QString, Record> records;
    return records;
}

int textRoom(const Record &record, int field)
{
    const FieldDef &f = record.layout().field(field);
    return f.type == FieldType::CString ? f.size - 1 : f.size;
}

} // namespace

FormWindow::FormWindow(ThreadContext &context, const QString &procedureName, RelationManager &primary,
                       QWidget *owner)
    : ProcedureWindow(context, procedureName, owner), m_primary(primary)
{
}

FormWindow::~FormWindow() = default;

FileManager &FormWindow::file() const
{
    return m_primary.file();
}

Record &FormWindow::record() const
{
    return m_primary.file().record();
}

// ---- bindings --------------------------------------------------------------

void FormWindow::bind(std::unique_ptr<FieldBinding> binding)
{
    if (!m_firstField && binding->control())
        m_firstField = binding->control();
    // The recall key works on the control itself, whichever window is active.
    if (binding->control())
        binding->control()->installEventFilter(this);
    m_bindings.push_back(std::move(binding));
}

QLineEdit *FormWindow::bindText(QLineEdit *edit, const char *field)
{
    const int f = fieldOf(record(), field);
    if (f < 0)
        return edit;
    edit->setMaxLength(textRoom(record(), f));
    bind(std::make_unique<TextBinding>(edit, f));
    return edit;
}

QLineEdit *FormWindow::bindText(QLineEdit *edit, const char *field, const QString &picture)
{
    const int f = fieldOf(record(), field);
    const std::optional<Picture> parsed = Picture::parse(picture);
    if (f < 0 || !softCheck(parsed.has_value(), "FormWindow::bindText", picture))
        return edit;
    if (isTextType(record().layout().field(f).type))
        edit->setMaxLength(std::max(textRoom(record(), f), parsed ? parsed->width() : 0));
    bind(std::make_unique<PictureBinding>(edit, f, parsed ? *parsed : Picture()));
    return edit;
}

QCheckBox *FormWindow::bindCheck(QCheckBox *box, const char *field, const QString &on, const QString &off)
{
    if (const int f = fieldOf(record(), field); f >= 0)
        bind(std::make_unique<CheckBinding>(box, f, on, off));
    return box;
}

QComboBox *FormWindow::bindChoice(QComboBox *box, const char *field)
{
    if (const int f = fieldOf(record(), field); f >= 0)
        bind(std::make_unique<ChoiceBinding>(box, f));
    return box;
}

QWidget *FormWindow::bindOption(QWidget *box, QButtonGroup *group, const char *field)
{
    if (const int f = fieldOf(record(), field); f >= 0)
        bind(std::make_unique<OptionBinding>(box, f, group));
    return box;
}

QSpinBox *FormWindow::bindSpin(QSpinBox *spin, const char *field, int low, int high)
{
    spin->setRange(low, high);
    if (const int f = fieldOf(record(), field); f >= 0)
        bind(std::make_unique<SpinBinding>(spin, f));
    return spin;
}

void FormWindow::setRecallable(QWidget *control, bool recallable)
{
    std::erase(m_notRecalled, control);
    if (!recallable)
        m_notRecalled.push_back(control);
}

QPlainTextEdit *FormWindow::bindMemo(QPlainTextEdit *edit)
{
    bind(std::make_unique<MemoBinding>(edit, -1));
    return edit;
}

void FormWindow::keepBuffer(FileManager &other)
{
    m_kept.emplace_back(&other, 0);
}

void FormWindow::renewSavedCopy()
{
    if (!m_saved)
        return;
    file().restoreRecord(m_saved, false);
    m_saved = file().saveRecord();
}

void FormWindow::showRecord()
{
    for (const auto &b : m_bindings)
        b->load(record());
}

// Takes every control's entry into the record. With reject, the first
// entry that cannot be taken is selected again and the rest left alone.
bool FormWindow::takeEntries(bool reject)
{
    for (const auto &b : m_bindings) {
        if (!b->control() || !b->control()->isEnabled())
            continue;
        QString reason;
        if (!b->store(record(), &reason) && reject) {
            refuseEntry(b->control(), reason);
            return false;
        }
    }
    return true;
}

QString FormWindow::promptOf(QWidget *control) const
{
    QString prompt;
    if (m_window)
        for (QLabel *label : m_window->findChildren<QLabel *>())
            if (label->buddy() == control) {
                prompt = label->text();
                break;
            }
    if (prompt.isEmpty())
        if (auto *button = qobject_cast<QAbstractButton *>(control))
            prompt = button->text();
    if (prompt.isEmpty())
        prompt = control->accessibleName();
    if (prompt.isEmpty())
        prompt = control->objectName();
    prompt.remove(QRegularExpression(QStringLiteral("&(?!&)")));
    while (prompt.endsWith(QLatin1Char(':')) || prompt.endsWith(QLatin1Char(' ')))
        prompt.chop(1);
    return prompt;
}

void FormWindow::refuseEntry(QWidget *control, const QString &expected)
{
    QApplication::beep();
    // The page that holds the control comes to the front first.
    for (QWidget *w = control; w && w != m_window; w = w->parentWidget())
        if (auto *tabs = qobject_cast<QTabWidget *>(w->parentWidget() ? w->parentWidget()->parentWidget() : nullptr))
            tabs->setCurrentWidget(w);
    if (!errors().entry(EntryRefusedMessage))
        errors().appendCatalogue({{EntryRefusedMessage, ResultNotify, QStringLiteral("Entry Not Accepted"),
                                   QStringLiteral("%Field: this entry cannot be taken. Enter %Message."), {}}});
    errors().setFieldName(m_context, promptOf(control));
    errors().raiseWithText(m_context, EntryRefusedMessage,
                           expected.isEmpty() ? QStringLiteral("a value this field can take") : expected);
    control->setFocus();
    if (auto *e = qobject_cast<QLineEdit *>(control))
        e->selectAll();
}

void FormWindow::rememberSaved()
{
    auto &saved = lastSaved();
    const QString table = record().layout().label();
    saved.erase(table);
    saved.emplace(table, record());
}

bool FormWindow::recordChanged()
{
    return m_saved && !file().sameAsSaved(m_saved);
}

void FormWindow::selectFirstField()
{
    if (m_firstField) {
        m_firstField->setFocus();
        if (auto *e = qobject_cast<QLineEdit *>(m_firstField))
            e->selectAll();
    }
}

// ---- window --------------------------------------------------------------

void FormWindow::createContents(QDialog *window)
{
    auto *layout = new QVBoxLayout(window);
    auto *area = new QWidget(window);
    layout->addWidget(area, 1);
    createFields(area);

    auto *buttons = new QDialogButtonBox(window);
    m_ok = buttons->addButton(tr("&OK"), QDialogButtonBox::AcceptRole);
    m_cancel = buttons->addButton(tr("&Cancel"), QDialogButtonBox::RejectRole);
    m_help = buttons->addButton(tr("&Help"), QDialogButtonBox::HelpRole);
    m_ok->setDefault(true);
    m_help->setVisible(!helpTopic().isEmpty());
    if (!helpTopic().isEmpty()) {
        // F1 anywhere in the form and the Help button show the form's topic.
        auto *help = new WindowHelp(window, helpTopic());
        connect(m_help, &QPushButton::clicked, help, &WindowHelp::show);
    }
    layout->addWidget(buttons);
    connect(m_ok, &QPushButton::clicked, this, &FormWindow::pressOk);
    connect(m_cancel, &QPushButton::clicked, this, &FormWindow::pressCancel);

}

QString FormWindow::caption() const
{
    switch (request) {
    case Request::Insert:
        return QStringLiteral("Record Will Be Added");
    case Request::Change:
    case Request::SaveAndStay:
        return QStringLiteral("Record Will Be Changed");
    case Request::View:
        return QStringLiteral("View Record");
    default:
        return ProcedureWindow::caption();
    }
}

int FormWindow::setup()
{
    originalRequest = request;
    if (m_primary.open() != ResultOk)
        return ResultFatal;
    m_filesOpened = true;

    if (request == Request::View) {
        insertAction = changeAction = deleteAction = 1;
        cancelAction = 0;
        m_ok->setEnabled(false);
        m_ok->setVisible(false);
    } else if (prepareRequest() != ResultOk) {
        return ResultNotify;
    }
    showRecord();
    if (request == Request::View)
        for (const auto &b : m_bindings)
            if (b->control())
                b->control()->setEnabled(false);
    lastInsertedPosition.clear();
    QMetaObject::invokeMethod(this, &FormWindow::selectFirstField, Qt::QueuedConnection);
    return ResultOk;
}

int FormWindow::prepareRequest()
{
    if (file().use(FileManager::UseWrite) != ResultOk)
        return ResultFatal;
    for (auto &[other, id] : m_kept)
        id = other->saveRecord();
    if (request == Request::Insert) {
        response = Response::Completed;
        initialValues();
        if (response == Response::Cancelled)
            return ResultNotify;
        response = Response::Cancelled;
    } else if (request == Request::Delete && (deleteAction == 2 || deleteAction == 4)) {
        // Deleted without showing the form.
        const int result = m_primary.deleteRecord(deleteAction == 2);
        response = result == ResultOk ? Response::Completed : Response::Cancelled;
        return ResultNotify;
    }
    m_saved = file().saveRecord();
    return ResultOk;
}

void FormWindow::teardown()
{
    for (auto &[other, id] : m_kept)
        if (id)
            other->restoreRecord(id, false);
    if (m_saved)
        file().restoreRecord(m_saved, false);
    if (m_filesOpened) {
        m_primary.close();
        m_filesOpened = false;
    }
}

// ---- completing ------------------------------------------------------------

void FormWindow::pressOk()
{
    if (!isRunning() || m_accepting)
        return;
    if (request == Request::Insert || request == Request::Change || request == Request::View
        || request == Request::SaveAndStay) {
        m_accepting = true;
        const bool taken = takeEntries(true);
        m_accepting = false;
        if (!taken)
            return;
    }
    complete();
}

void FormWindow::pressSave()
{
    if (!isRunning() || request == Request::View)
        return;
    beforeSaveRequest = request;
    request = Request::SaveAndStay;
    if (!takeEntries(true)) {
        request = beforeSaveRequest;
        return;
    }
    complete();
}

void FormWindow::pressCancel()
{
    requestClose();
}

void FormWindow::complete()
{
    // What was just entered can be recalled after a failed save.
    m_history = std::make_unique<Record>(record());
    switch (request) {
    case Request::Insert:
        doInsert();
        break;
    case Request::Change:
        doChange();
        break;
    case Request::Delete:
        doDelete();
        break;
    case Request::SaveAndStay:
        doSave();
        break;
    default:
        endWith(response);
        break;
    }
}

void FormWindow::doInsert()
{
    if (file().insert() != ResultOk) {
        selectFirstField();
        return;
    }
    rememberSaved();
    if (insertAction == 2) {
        endWith(Response::Completed);
        return;
    }
    if (insertAction == 4 && file().raise(3) != ResultOk) {
        endWith(Response::Completed);
        return;
    }
    // Another record, starting from what the caller prepared.
    lastInsertedPosition = file().positionText();
    for (auto &[other, id] : m_kept)
        if (id) {
            other->restoreRecord(id, true);
            id = other->saveRecord();
        }
    file().restoreRecord(m_saved, true);
    if (file().newRecord(true) != ResultOk) {
        requestClose();
        return;
    }
    initialValues();
    response = Response::Cancelled;
    m_saved = file().saveRecord();
    showRecord();
    selectFirstField();
}

void FormWindow::doChange()
{
    for (;;) {
        response = Response::Cancelled;
        const bool changed = recordChanged();
        const int result = changed ? m_primary.update(true) : ResultOk;
        if (result == ResultOk) {
            if (changed) {
                response = Response::Completed;
                rememberSaved();
            }
            if (changeAction == 2) {
                endWith(response);
            } else {
                file().restoreRecord(m_saved, false);
                m_saved = file().saveRecord();
            }
            return;
        }
        if (result == ResultAsk) {
            const int answer = errors().ask(m_context, 37, Button::Yes | Button::No | Button::Cancel, Button::Cancel);
            if (answer == Button::Yes)
                continue;
            if (answer == Button::No) {
                endWith(response);
                return;
            }
        }
        // The record as it now stands (another station's version after a
        // conflict); Ctrl+H brings back what was typed.
        showRecord();
        selectFirstField();
        return;
    }
}

void FormWindow::doDelete()
{
    // The relation manager asks "Record Delete Error" itself when a delete
    // fails and tries again on Yes; No closes the form, Cancel stays on it.
    const int result = m_primary.deleteRecord(deleteAction == 2);
    if (result == ResultOk || result == ResultCancel) {
        endWith(Response::Completed);
        return;
    }
    if (result == ResultNotify) {
        endWith(Response::Cancelled);
        return;
    }
    selectFirstField();
}

void FormWindow::doSave()
{
    if (beforeSaveRequest == Request::Insert) {
        if (file().insert() != ResultOk) {
            request = Request::Insert;
            selectFirstField();
            return;
        }
        rememberSaved();
        lastInsertedPosition = file().positionText();
        request = Request::Change;
        originalRequest = Request::Change;
    } else {
        request = Request::Change;
        if (recordChanged()) {
            const int result = m_primary.update(true);
            if (result != ResultOk) {
                if (result == ResultAsk)
                    errors().ask(m_context, 37, Button::Yes | Button::No | Button::Cancel, Button::Cancel);
                showRecord();
                selectFirstField();
                return;
            }
            response = Response::Completed;
            rememberSaved();
        }
    }
    file().restoreRecord(m_saved, false);
    m_saved = file().saveRecord();
    if (m_window)
        m_window->setWindowTitle(caption());
    showRecord();
    selectFirstField();
}

// ---- closing ---------------------------------------------------------------

bool FormWindow::closeRequested()
{
    if (response == Response::Completed && lastInsertedPosition.isEmpty())
        return true;
    if (request == Request::Insert || request == Request::Change) {
        takeEntries(false);
        if (recordChanged()) {
            if (cancelAction & 1) {
                if (!(cancelAction & 2)) {
                    pressOk();
                    return false;
                }
                const int answer = errors().ask(m_context, 38, Button::Yes | Button::No | Button::Cancel,
                                                Button::Cancel);
                if (answer == Button::Yes) {
                    pressOk();
                    return false;
                }
                if (answer != Button::No) {
                    selectFirstField();
                    return false;
                }
            } else if (file().raise(10) != ResultOk) {
                return false;
            }
        }
    }
    // The record numbered for this insert goes again.
    if (originalRequest == Request::Insert && response != Response::Completed)
        file().cancelNumbering();
    if (!lastInsertedPosition.isEmpty()) {
        response = Response::Completed;
        file().readAt(lastInsertedPosition);
    }
    return true;
}

bool FormWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (QKeySequence(key->keyCombination()) == historyKey) {
            recallField(qobject_cast<QWidget *>(watched));
            return true;
        }
    }
    return ProcedureWindow::eventFilter(watched, event);
}

void FormWindow::recallField(QWidget *control)
{
    if (!control || request == Request::View)
        return;
    // What this form took last (a save that failed, say), else the record
    // saved last in the table by any form.
    const Record *history = m_history.get();
    if (!history) {
        const auto &saved = lastSaved();
        const auto it = saved.find(record().layout().label());
        if (it != saved.end() && &it->second.layout() == &record().layout())
            history = &it->second;
    }
    if (!history)
        return;
    for (const auto &b : m_bindings) {
        if (b->control() != control && !(b->control() && b->control()->isAncestorOf(control)))
            continue;
        if (std::find(m_notRecalled.begin(), m_notRecalled.end(), b->control()) != m_notRecalled.end()
            || !b->control()->isEnabled())
            return;
        if (b->field() >= 0) {
            const FieldDef &f = record().layout().field(b->field());
            std::memcpy(record().data() + f.offset, history->data() + f.offset, std::size_t(f.size));
        } else {
            record().setMemo(history->memo());
        }
        b->load(record());
        return;
    }
}

} // namespace tavimo
