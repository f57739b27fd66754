#include "declaredform.h"

#include "calendarbutton.h"
#include "calendarpicker.h"
#include "helpviewer.h"
#include "picture.h"
#include "procedures.h"
#include "record.h"
#include "relationmanager.h"
#include "softcheck.h"
#include "storedtable.h"
#include "tabkeys.h"
#include "tabledropcombo.h"
#include "threadcontext.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace tavimo {

namespace {

QString latin(const char *text)
{
    return QString::fromLatin1(text);
}

int charWidth(const QWidget *w, int chars)
{
    return w->fontMetrics().averageCharWidth() * chars + 12;
}

// What a drop-down list edits: the value it shows is the field's.
class DropBinding : public FieldBinding
{
public:
    DropBinding(QWidget *control, int field, TableDropList *drop) : FieldBinding(control, field), m_drop(drop) {}
    void load(const Record &record) override
    {
        if (auto *combo = dynamic_cast<TableDropCombo *>(m_drop))
            combo->setValue(record.text(m_field));
    }
    bool store(Record &record, QString *) override
    {
        if (auto *combo = dynamic_cast<TableDropCombo *>(m_drop))
            record.setText(m_field, combo->value());
        else if (auto *box = qobject_cast<QComboBox *>(m_control.data()))
            record.setText(m_field, box->currentText());
        return true;
    }

private:
    TableDropList *m_drop;
};

} // namespace

DeclaredForm::DeclaredForm(ThreadContext &context, const FormSpec &spec, QWidget *owner)
    : FormWindow(context, latin(spec.procedure), *primaryOf(context, spec), owner), m_spec(spec)
{
}

DeclaredForm::~DeclaredForm()
{
    if (isRunning())
        endWith(Response::Cancelled);
    for (auto &[field, d] : m_drops)
        d->kill();
    m_components.clear();
}

RelationManager *DeclaredForm::primaryOf(ThreadContext &context, const FormSpec &spec)
{
    StoredTable *table = context.table(latin(spec.table));
    if (!softCheck(table != nullptr, spec.procedure, latin(spec.table)))
        return nullptr;
    return context.relationManager(table->layout());
}

QWidget *DeclaredForm::control(const QString &field) const
{
    for (const auto &[name, c] : m_controls)
        if (name.compare(field, Qt::CaseInsensitive) == 0)
            return c;
    return nullptr;
}

TableDropList *DeclaredForm::drop(const QString &field) const
{
    for (const auto &[name, d] : m_drops)
        if (name.compare(field, Qt::CaseInsensitive) == 0)
            return d.get();
    return nullptr;
}

void DeclaredForm::createFields(QWidget *area)
{
    auto *outer = new QVBoxLayout(area);
    outer->setContentsMargins(0, 0, 0, 0);
    const bool tabbed = !m_spec.tabs.empty() && *m_spec.tabs.front().caption;
    if (tabbed) {
        m_tabs = new QTabWidget(area);
        outer->addWidget(m_tabs);
        addTabKeys(m_tabs);
    }
    for (const FormTab &tab : m_spec.tabs) {
        QWidget *page = area;
        auto *form = new QFormLayout;
        form->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);
        if (m_tabs) {
            page = new QWidget(m_tabs);
            page->setLayout(form);
            m_tabs->addTab(page, latin(tab.caption));
        } else {
            outer->addLayout(form);
        }
        QWidget *previous = nullptr;
        for (const FormRow &row : tab.rows) {
            QWidget *c = buildRow(row, page, form);
            if (!c)
                continue;
            // Tab follows the rows as they stand.
            if (previous && c->focusPolicy() != Qt::NoFocus)
                QWidget::setTabOrder(previous, c);
            if (c->focusPolicy() != Qt::NoFocus)
                previous = c;
            if (*row.field)
                m_controls.emplace_back(latin(row.field), c);
            rowBuilt(row, c);
        }
    }
    if (!m_tabs)
        outer->addStretch(1);
}

QWidget *DeclaredForm::buildRow(const FormRow &row, QWidget *page, QFormLayout *form)
{
    const QString prompt = QString::fromUtf8(row.prompt);
    const QString field = latin(row.field);
    const TableLayout &layout = record().layout();
    const bool isMemo = row.kind == RowKind::Memo;
    if (row.kind == RowKind::Note) {
        auto *note = new QLabel(prompt, page);
        note->setWordWrap(true);
        form->addRow(note);
        return nullptr;
    }
    const bool resolves = isMemo ? layout.memo() && layout.memo()->name.compare(field, Qt::CaseInsensitive) == 0
                                 : layout.fieldIndex(field) >= 0;
    if (!softCheck(resolves, m_spec.procedure, field))
        return nullptr;
    const QByteArray name = field.toLatin1();

    QWidget *control = nullptr;
    QWidget *placed = nullptr; // what goes into the form's row, when not the control
    switch (row.kind) {
    case RowKind::Memo: {
        auto *memo = bindMemo(new QPlainTextEdit(page));
        memo->setTabChangesFocus(true);
        memo->setMinimumWidth(charWidth(memo, 50));
        memo->setMinimumHeight(memo->fontMetrics().lineSpacing() * 4 + 12);
        control = memo;
        break;
    }
    case RowKind::Check: {
        // A check box carries its own caption and mnemonic.
        auto *box = bindCheck(new QCheckBox(prompt, page), name.constData(), latin(row.on), latin(row.off));
        control = box;
        form->addRow(QString(), box);
        break;
    }
    case RowKind::Radio: {
        auto *group = new QGroupBox(prompt, page);
        auto *groupLayout = new QHBoxLayout(group);
        auto *buttons = new QButtonGroup(group);
        for (const RadioChoice &choice : row.choices) {
            auto *b = new QRadioButton(QString::fromUtf8(choice.label), group);
            b->setProperty("value", latin(choice.value));
            buttons->addButton(b);
            groupLayout->addWidget(b);
        }
        groupLayout->addStretch(1);
        bindOption(group, buttons, name.constData());
        control = group;
        form->addRow(group);
        break;
    }
    case RowKind::Spin: {
        auto *spin = bindSpin(new QSpinBox(page), name.constData(), row.low, row.high);
        spin->setMaximumWidth(charWidth(spin, std::max(4, int(QString::number(row.high).size()) + 4)));
        control = spin;
        break;
    }
    case RowKind::DropCombo:
    case RowKind::DropList:
        control = buildDrop(row, page);
        if (!control)
            return nullptr;
        break;
    default: {
        auto *edit = new QLineEdit(page);
        QString picture = latin(row.picture);
        if (picture.isEmpty() && row.kind == RowKind::Date)
            picture = QStringLiteral("d17");
        if (picture.isEmpty() && row.kind == RowKind::Time)
            picture = QStringLiteral("t7");
        if (picture.isEmpty())
            bindText(edit, name.constData());
        else
            bindText(edit, name.constData(), picture);
        const std::optional<Picture> parsed = Picture::parse(picture);
        const int pictured = parsed ? parsed->width() : 0;
        const int chars = pictured > 0 ? pictured : (picture.isEmpty() ? std::clamp(edit->maxLength(), 4, 60) : 10);
        edit->setMinimumWidth(charWidth(edit, chars));
        if (pictured > 0 || row.kind == RowKind::Date || row.kind == RowKind::Time || edit->maxLength() <= 14)
            edit->setMaximumWidth(charWidth(edit, chars + 2));
        control = edit;
        if (row.kind == RowKind::Date) {
            auto *line = new QWidget(page);
            auto *lineLayout = new QHBoxLayout(line);
            lineLayout->setContentsMargins(0, 0, 0, 0);
            edit->setParent(line);
            lineLayout->addWidget(edit);
            lineLayout->addWidget(addCalendarButton(edit, latin(row.calendar)));
            lineLayout->addStretch(1);
            placed = line;
        }
        break;
    }
    }
    if (*row.beside) {
        // A list that keeps the values the control picks from, a click away.
        auto *line = new QWidget(page);
        auto *lineLayout = new QHBoxLayout(line);
        lineLayout->setContentsMargins(0, 0, 0, 0);
        control->setParent(line);
        lineLayout->addWidget(control, 1);
        auto *button = new QPushButton(QStringLiteral("..."), line);
        button->setAutoDefault(false);
        button->setFocusPolicy(Qt::NoFocus);
        button->setToolTip(QString::fromUtf8(row.besideTip));
        button->setMaximumWidth(button->fontMetrics().horizontalAdvance(QStringLiteral("...")) + 24);
        const QString procedure = latin(row.beside);
        connect(button, &QPushButton::clicked, this, [this, procedure] {
            if (request != Request::View)
                Procedures::instance().startInNewContext(procedure, context(), window());
        });
        m_besides.push_back(button);
        lineLayout->addWidget(button);
        placed = line;
    }
    control->setObjectName(field);
    if (*row.help) {
        m_fieldHelp.emplace_back(control, latin(row.help));
        control->installEventFilter(this);
    }
    if (*row.tip)
        control->setToolTip(QString::fromUtf8(row.tip));
    if (row.readOnly) {
        if (auto *e = qobject_cast<QLineEdit *>(control))
            e->setReadOnly(true);
        else if (auto *m = qobject_cast<QPlainTextEdit *>(control))
            m->setReadOnly(true);
        else
            control->setEnabled(false);
        control->setFocusPolicy(Qt::ClickFocus);
    }
    setRecallable(control, row.history);
    if (row.kind != RowKind::Check && row.kind != RowKind::Radio) {
        auto *label = new QLabel(prompt, page);
        label->setBuddy(control);
        form->addRow(label, placed ? placed : control);
    }
    return control;
}

QWidget *DeclaredForm::buildDrop(const FormRow &row, QWidget *page)
{
    const DropSpec *spec = row.drop;
    if (!softCheck(spec != nullptr, m_spec.procedure, latin(row.field)))
        return nullptr;
    StoredTable *reference = context().table(latin(spec->table));
    if (!softCheck(reference != nullptr, m_spec.procedure, latin(spec->table)))
        return nullptr;
    const TableLayout &layout = reference->layout();
    const int key = layout.keyIndex(latin(spec->key));
    if (!softCheck(key >= 0, m_spec.procedure, latin(spec->key)))
        return nullptr;

    auto *box = new QComboBox(page);
    box->setMinimumWidth(charWidth(box, 30));
    std::unique_ptr<TableDropList> drop;
    if (row.kind == RowKind::DropCombo) {
        auto combo = std::make_unique<TableDropCombo>();
        box->setEditable(true);
        combo->setup(*box, *this, *context().relationManager(layout));
        if (*spec->entryForm) {
            const QString procedure = latin(spec->entryForm);
            combo->setEntryForm([this, procedure] { return Procedures::instance().run(procedure, context(), window()); });
        }
        drop = std::move(combo);
    } else {
        drop = std::make_unique<TableDropList>();
        drop->setup(*box, *this, *context().relationManager(layout));
    }
    drop->addOrder(key);
    if (*spec->filter)
        drop->putFilter(latin(spec->filter));
    drop->defaultFill = spec->defaultFill;
    drop->addDisplayField(latin(spec->display));
    for (const auto &[from, to] : spec->copies)
        if (softCheck(layout.fieldIndex(latin(from)) >= 0, m_spec.procedure, latin(from))
            && softCheck(record().layout().fieldIndex(latin(to)) >= 0, m_spec.procedure, latin(to)))
            drop->addUpdateField(latin(from), record(), latin(to));
    const int field = record().layout().fieldIndex(latin(row.field));
    bind(std::make_unique<DropBinding>(box, field, drop.get()));
    m_drops.emplace_back(latin(row.field), std::move(drop));
    return box;
}

int DeclaredForm::setup()
{
    const int result = FormWindow::setup();
    if (result != ResultOk)
        return result;
    // A record that is only shown is closed by OK as well.
    if (request == Request::View) {
        okButton()->setVisible(true);
        okButton()->setEnabled(true);
        for (QPushButton *b : m_besides)
            b->setEnabled(false);
    }
    for (auto &[field, d] : m_drops) {
        if (request == Request::View)
            d->list()->setEnabled(false);
        d->fillList();
    }
    // What the lists put in on opening is not the user's change.
    if (request == Request::Change)
        renewSavedCopy();
    return ResultOk;
}

bool DeclaredForm::eventFilter(QObject *watched, QEvent *event)
{
    // F1 on a field with a topic of its own shows that topic, before the
    // window's shortcut takes the key.
    if (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_F1 && key->modifiers() == Qt::NoModifier)
            for (const auto &[control, topic] : m_fieldHelp)
                if (control == watched || control->isAncestorOf(qobject_cast<QWidget *>(watched))) {
                    event->accept();
                    if (event->type() == QEvent::KeyPress)
                        HelpViewer::shared()->showTopic(topic);
                    return true;
                }
    }
    return FormWindow::eventFilter(watched, event);
}

QString DeclaredForm::caption() const
{
    const QString byRequest = FormWindow::caption();
    if (byRequest != procedureName() || !*m_spec.title)
        return byRequest;
    return QString::fromLatin1(m_spec.title);
}

} // namespace tavimo
