#include "updatepersonsname.h"

#include "browselist.h"
#include "calendarbutton.h"
#include "currentperson.h"
#include "errormanager.h"
#include "filemanager.h"
#include "helpviewer.h"
#include "picture.h"
#include "places.h"
#include "prebpaverages.h"
#include "profilebindings.h"
#include "procedures.h"
#include "processvalues.h"
#include "record.h"
#include "referenceforms.h"
#include "relationmanager.h"
#include "tabkeys.h"
#include "tabledropcombo.h"
#include "tables.h"
#include "threadcontext.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QToolButton>
#include <QRegularExpression>
#include <QUrl>
#include <QVBoxLayout>

#include <cstring>

namespace tavimo {

namespace {

struct Condition
{
    const char *field;
    const char *label;
    const char *tip;
};

// Every condition field has its box, in the record's order.
const Condition conditions[] = {
    {"PER:ALZHEIMERSDISEASE", "Alzheimers Disease", nullptr},
    {"PER:ANEMIA", "Anemia", nullptr},
    {"PER:ANGINA", "Angina", nullptr},
    {"PER:ARTHRITIS", "Arthritis", nullptr},
    {"PER:ASTHMA", "Asthma", nullptr},
    {"PER:ATRIALFIBRILATION", "Atrial Fibrillation", nullptr},
    {"PER:AUTISM", "Autism", nullptr},
    {"PER:AUTOIMMUNEDISORDER", "Autoimmune Disorder", nullptr},
    {"PER:CHRONICOBSTRUCTIVEPULMONARYDISEASE", "COPD +", "Chronic Obstructive Pulmonary Disease"},
    {"PER:CONGESTIVEHEARTFAILURE", "Congestive Heart Failure", nullptr},
    {"PER:CORONARYARTERYDISEASE", "Coronary Artery Disease", nullptr},
    {"PER:CYSTICFIBROSIS", "Cystic Fibrosis", nullptr},
    {"PER:DIABETES", "Diabetes", nullptr},
    {"PER:EMPHYSEMA", "Emphysema", nullptr},
    {"PER:EPILEPSY", "Epilepsy", nullptr},
    {"PER:GLAUCOMA", "Glaucoma", nullptr},
    {"PER:HEARINGIMPAIRED", "Hearing Impaired", nullptr},
    {"PER:HEADACHES", "Headaches +", "Migraines, cluster, etc."},
    {"PER:HEMODIALYSIS", "Hemodialysis", nullptr},
    {"PER:HEMOPHILIA_VWD_OTHERBLOODDISORDERS", "Hmph, VWD, OBD+", "Hemophilia, VWD, Other Blood Disorders"},
    {"PER:HIV_AIDS", "HIV/AIDS", nullptr},
    {"PER:HYPERTENSION", "Hypertension", nullptr},
    {"PER:HYPOGLYCEMIA", "Hypoglycemia", nullptr},
    {"PER:HYPOTHYROIDISM", "Hypothyroidism", nullptr},
    {"PER:IMMUNOSUPRESSED", "Immunosuppressed", nullptr},
    {"PER:MALARIA", "Malaria", nullptr},
    {"PER:MUSCULARDYSTROPHY", "Muscular Dystrophy", nullptr},
    {"PER:MYOCARDIALINFARCTION", "Myocardial Infarction+", "Heart Attack"},
    {"PER:ORGANTRANSPLANT", "Organ Transplant", nullptr},
    {"PER:PULMONARYARTERIALHYPERTENSION", "Pulmonary Arterial Hypertension", nullptr},
    {"PER:SEIZUREDISORDER", "Seizure Disorder", nullptr},
    {"PER:STROKE", "Stroke", nullptr},
    {"PER:NOKNOWNMEDICALCONDITIONS", "No Known Medical Conditions", nullptr},
};

const QString phonePicture = QStringLiteral("(###) ###-####");
const QString datePicture = QStringLiteral("d17");

// Gives every prompt of a page that has none a mnemonic of its own: the
// first letter of a word not yet taken, else any letter not yet taken.
void assignMnemonics(QWidget *page, const QString &reserved)
{
    QString taken = reserved;
    auto letterOf = [](const QString &text) {
        const int at = text.indexOf(QRegularExpression(QStringLiteral("&(?!&)")));
        return at >= 0 && at + 1 < text.size() ? text.at(at + 1).toLower() : QChar();
    };
    const QList<QWidget *> all = page->findChildren<QWidget *>();
    for (QWidget *w : all) {
        QString text;
        if (auto *b = qobject_cast<QAbstractButton *>(w))
            text = b->text();
        else if (auto *l = qobject_cast<QLabel *>(w))
            text = l->text();
        if (const QChar c = letterOf(text); !c.isNull())
            taken += c;
    }
    for (QLabel *label : page->findChildren<QLabel *>()) {
        const QString text = label->text();
        if (!label->buddy() || !letterOf(text).isNull())
            continue;
        int pick = -1;
        for (int i = 0; i < text.size() && pick < 0; ++i)
            if (text.at(i).isLetter() && (i == 0 || !text.at(i - 1).isLetter()) && !taken.contains(text.at(i).toLower()))
                pick = i;
        for (int i = 0; i < text.size() && pick < 0; ++i)
            if (text.at(i).isLetter() && !taken.contains(text.at(i).toLower()))
                pick = i;
        // Out of letters: share one with an earlier prompt (the key then
        // moves between them), never with the buttons below the tabs.
        for (int i = 0; i < text.size() && pick < 0; ++i)
            if (text.at(i).isLetter() && (i == 0 || !text.at(i - 1).isLetter())
                && !reserved.contains(text.at(i).toLower()))
                pick = i;
        for (int i = 0; i < text.size() && pick < 0; ++i)
            if (text.at(i).isLetter() && !reserved.contains(text.at(i).toLower()))
                pick = i;
        if (pick < 0)
            continue;
        taken += text.at(pick).toLower();
        QString marked = text;
        marked.insert(pick, QLatin1Char('&'));
        label->setText(marked);
    }
}

int widthFor(const QLineEdit *edit, int chars)
{
    return edit->fontMetrics().averageCharWidth() * chars + 12;
}

QPushButton *plainButton(const QString &caption, QWidget *parent)
{
    auto *b = new QPushButton(caption, parent);
    b->setAutoDefault(false);
    return b;
}

} // namespace

UpdatePersonsName::UpdatePersonsName(ThreadContext &context, QWidget *owner)
    : FormWindow(context, QStringLiteral("UpdatePersonsName"), *context.relationManager(tables::personsName()), owner)
{
    // Leaving the form by OK or Cancel lets go of the person.
    connect(this, &ProcedureWindow::finished, this, [] { person::clearCurrent(); });
}

UpdatePersonsName::~UpdatePersonsName()
{
    if (isRunning())
        endWith(Response::Cancelled);
    for (LogSheet &s : m_logs)
        s.list->kill();
    if (m_doctorDrop)
        m_doctorDrop->kill();
    if (m_planDrop)
        m_planDrop->kill();
    m_components.clear();
}

QString UpdatePersonsName::bloodPressureExplanation()
{
    return QStringLiteral(
        "Blood pressure is the force of blood against the walls of arteries. Blood pressure is recorded as two "
        "numbers, the systolic pressure (as the heart beats) over the diastolic pressure (as the heart relaxes "
        "between beats). The measurement is written one above or before the other, with the systolic number on "
        "top and the diastolic number on the bottom. For example, a blood pressure measurement of 120/80 mmHg "
        "(millimeters of mercury) is expressed verbally as \"120 over 80.\" Normal blood pressure is less than "
        "120 mmHg systolic and less than 80 mmHg diastolic.")
        .left(700);
}

// ---- building ----------------------------------------------------------------

QLineEdit *UpdatePersonsName::text(QWidget *page, const char *field, const QString &picture)
{
    auto *edit = new QLineEdit(page);
    if (picture.isEmpty())
        bindText(edit, field);
    else
        bindText(edit, field, picture);
    edit->setObjectName(QString::fromLatin1(field));
    // Numbers, dates and templates are as wide as their picture.
    const int pictured = picture.isEmpty() ? 0 : Picture::parse(picture)->width();
    if (pictured > 0 || picture.startsWith(QLatin1Char('d'))) {
        const int chars = std::max(pictured, 10);
        edit->setMinimumWidth(widthFor(edit, chars));
        edit->setMaximumWidth(widthFor(edit, chars + 2));
        return edit;
    }
    const int chars = std::clamp(edit->maxLength(), 3, 40);
    edit->setMinimumWidth(widthFor(edit, chars));
    if (edit->maxLength() <= 14)
        edit->setMaximumWidth(widthFor(edit, std::max(edit->maxLength(), 6) + 2));
    return edit;
}

QLineEdit *UpdatePersonsName::entry(const char *field) const
{
    return m_window ? m_window->findChild<QLineEdit *>(QString::fromLatin1(field)) : nullptr;
}

void UpdatePersonsName::createFields(QWidget *area)
{
    auto *layout = new QVBoxLayout(area);
    layout->setContentsMargins(0, 0, 0, 0);
    m_tabs = new QTabWidget(area);
    m_tabs->setUsesScrollButtons(true);
    m_tabs->setDocumentMode(false);
    layout->addWidget(m_tabs);
    m_tabs->addTab(generalTab(), tr("1) General Information"));
    m_tabs->addTab(contactsTab(), tr("2) Emergency Contacts"));
    m_tabs->addTab(conditionsTab(), tr("3) Medical Conditions"));
    m_tabs->addTab(equipmentTab(), tr("4) Medical Equipment"));
    m_tabs->addTab(allergiesTab(), tr("5) Allergies && Conditions"));
    const std::vector<PersonLogSpec> &logs = PersonLogSpec::all();
    m_tabs->addTab(logTab(logs[0]), QString::fromLatin1(logs[0].tabCaption));
    m_tabs->addTab(immunizationsTab(), tr("7) Immunizations"));
    for (std::size_t i = 1; i < logs.size(); ++i)
        m_tabs->addTab(logTab(logs[i]), QString::fromLatin1(logs[i].tabCaption));
    setFirstField(entry("PER:FIRSTNAME"));
    addTabKeys(m_tabs);
}

QWidget *UpdatePersonsName::generalTab()
{
    auto *page = new QWidget;
    auto *columns = new QHBoxLayout(page);

    auto *left = new QFormLayout;
    left->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);
    auto *first = text(page, "PER:FIRSTNAME");
    auto *last = text(page, "PER:LASTNAME");
    // The last name makes the person's name, by which logs are found.
    auto required = [page](QLineEdit *edit) {
        auto *row = new QHBoxLayout;
        row->addWidget(edit, 1);
        row->addWidget(new QLabel(QStringLiteral("*"), page));
        return row;
    };
    // A prompt whose row holds more than its entry still names the entry.
    auto prompt = [page](const QString &caption, QWidget *buddy) {
        auto *label = new QLabel(caption, page);
        label->setBuddy(buddy);
        return label;
    };
    left->addRow(tr("&First Name:"), first);
    left->addRow(prompt(tr("&Last Name:"), last), required(last));
    auto *street = text(page, "PER:STREETADDRESS");
    left->addRow(tr("Street &Address:"), street);
    auto *city = text(page, "PER:CITY");
    left->addRow(tr("Cit&y:"), city);
    auto *state = text(page, "PER:STATE");
    left->addRow(tr("S&tate:"), state);
    auto *zip = text(page, "PER:ZIPCODE");
    left->addRow(tr("&Zip Code:"), zip);
    auto *phone = text(page, "PER:PHONENUMBER", phonePicture);
    left->addRow(tr("Phone &Number:"), phone);
    auto *email = text(page, "PER:EMAILADDRESS");
    left->addRow(tr("E&mail Address:"), email);
    auto *ssn = text(page, "PER:SOCIALSECURITY", QStringLiteral("###-##-####"));
    left->addRow(tr("Social &Security #:"), ssn);
    connect(last, &QLineEdit::editingFinished, this, &UpdatePersonsName::lastNameCompleted);
    connect(first, &QLineEdit::editingFinished, this, [this] {
        // A first name changed after the last name counts too.
        if (!entry("PER:LASTNAME")->text().isEmpty())
            lastNameCompleted();
    });

    auto *right = new QFormLayout;
    auto *birth = new QLineEdit(page);
    birth->setObjectName(QStringLiteral("PER:BIRTHDATE"));
    bind(std::make_unique<BirthdateBinding>(birth, record().layout().fieldIndex(QStringLiteral("PER:BIRTHDATE")),
                                            *Picture::parse(datePicture)));
    birth->setMinimumWidth(widthFor(birth, 10));
    birth->setMaximumWidth(widthFor(birth, 12));
    auto *birthRow = new QHBoxLayout;
    birthRow->addWidget(birth);
    birthRow->addWidget(addCalendarButton(birth, QStringLiteral("Birthdate")));
    birthRow->addStretch(1);
    right->addRow(prompt(tr("&Birthdate:"), birth), birthRow);
    connect(birth, &QLineEdit::editingFinished, this, &UpdatePersonsName::birthdateCompleted);
    auto *age = text(page, "PER:AGE", QStringLiteral("n6.2b"));
    age->setReadOnly(true);
    age->setFocusPolicy(Qt::ClickFocus);
    right->addRow(tr("Ag&e:"), age);
    auto *weight = text(page, "PER:WEIGHT", QStringLiteral("n3b"));
    right->addRow(tr("&Weight:"), weight);
    auto *height = new QLineEdit(page);
    height->setObjectName(QStringLiteral("PER:HEIGHT"));
    height->setMaxLength(8);
    bind(std::make_unique<HeightBinding>(height, record().layout().fieldIndex(QStringLiteral("PER:HEIGHT"))));
    height->setMinimumWidth(widthFor(height, 6));
    height->setMaximumWidth(widthFor(height, 8));
    height->setToolTip(tr("Feet and inches, such as 5'10\" or 5'4\""));
    right->addRow(tr("Hei&ght:"), height);
    // Either half of the BMI changed: it is worked out again.
    connect(height, &QLineEdit::editingFinished, this, &UpdatePersonsName::heightCompleted);
    connect(weight, &QLineEdit::editingFinished, this, &UpdatePersonsName::heightCompleted);
    auto *bmi = text(page, "PER:BMI", QStringLiteral("n6.2b"));
    bmi->setReadOnly(true);
    bmi->setFocusPolicy(Qt::ClickFocus);
    auto *bmiRow = new QHBoxLayout;
    bmiRow->addWidget(bmi);
    auto *recalc = plainButton(tr("Recalc BMI"), page);
    connect(recalc, &QPushButton::clicked, this, &UpdatePersonsName::recalcBmi);
    m_buttons.push_back(recalc);
    bmiRow->addWidget(recalc);
    bmiRow->addStretch(1);
    right->addRow(prompt(tr("BMI (Body Mass &Index)"), bmi), bmiRow);

    auto *genderBox = new QGroupBox(tr("Gen&der"), page);
    auto *genderLayout = new QHBoxLayout(genderBox);
    m_gender = new QButtonGroup(genderBox);
    for (const char *value : {"M", "F"}) {
        auto *b = new QRadioButton(QString::fromLatin1(value), genderBox);
        b->setProperty("value", QString::fromLatin1(value));
        m_gender->addButton(b);
        genderLayout->addWidget(b);
    }
    genderLayout->addStretch(1);
    bindOption(genderBox, m_gender, "PER:GENDER");
    connect(m_gender, &QButtonGroup::buttonClicked, this, [this] {
        takeEntry(m_gender->checkedButton()->parentWidget());
        genderChanged();
    });
    right->addRow(genderBox);

    auto *maritalBox = new QGroupBox(tr("Ma&rital Status"), page);
    auto *maritalLayout = new QGridLayout(maritalBox);
    m_marital = new QButtonGroup(maritalBox);
    int at = 0;
    for (const char *value : {"Single", "Married", "Living w/Partner", "Divorced", "SurvivingSpouse"}) {
        auto *b = new QRadioButton(QString::fromLatin1(value), maritalBox);
        b->setProperty("value", QString::fromLatin1(value));
        m_marital->addButton(b);
        maritalLayout->addWidget(b, at / 3, at % 3);
        ++at;
    }
    bindOption(maritalBox, m_marital, "PER:MARITALSTATUS");
    right->addRow(maritalBox);

    auto *mensRow = new QHBoxLayout;
    auto *mensLabel = new QLabel(tr("Menstruation:"), page);
    auto *startLabel = new QLabel(tr("Age Star&ted:"), page);
    auto *started = text(page, "PER:MENSTRUATESTARTAGE", QStringLiteral("n2b"));
    auto *stopLabel = new QLabel(tr("Age Stopp&ed:"), page);
    auto *stopped = text(page, "PER:MENSTRUATESTOPAGE", QStringLiteral("n2b"));
    startLabel->setBuddy(started);
    stopLabel->setBuddy(stopped);
    for (QWidget *w : std::initializer_list<QWidget *>{mensLabel, startLabel, started, stopLabel, stopped}) {
        mensRow->addWidget(w);
        m_menstruation.push_back(w);
    }
    mensRow->addStretch(1);
    right->addRow(mensRow);

    // Tab goes through the entries in the order a person fills them in.
    // Tab goes down the left column, then down the right one, as they stand.
    QWidget *chain[] = {first,  last,   street, city,  state, zip, phone, email, ssn, birth, weight, height,
                        recalc, m_gender->buttons().first(), m_gender->buttons().last(),
                        m_marital->buttons().first()};
    for (std::size_t i = 1; i < std::size(chain); ++i)
        QWidget::setTabOrder(chain[i - 1], chain[i]);
    QWidget::setTabOrder(m_marital->buttons().last(), started);
    QWidget::setTabOrder(started, stopped);

    columns->addLayout(left, 3);
    columns->addSpacing(16);
    columns->addLayout(right, 2);

    auto *outer = new QWidget;
    auto *outerLayout = new QVBoxLayout(outer);
    outerLayout->addWidget(page);
    auto *note = new QLabel(tr("* Required Entries"), outer);
    outerLayout->addWidget(note);
    outerLayout->addStretch(1);
    return outer;
}

QWidget *UpdatePersonsName::contactsTab()
{
    auto *page = new QWidget;
    auto *grid = new QGridLayout(page);

    auto contactBox = [&](const QString &title, const char *name, const char *relation, const char *phone) {
        auto *box = new QGroupBox(title, page);
        auto *form = new QFormLayout(box);
        form->addRow(tr("Name:"), text(box, name));
        form->addRow(tr("Relationship:"), text(box, relation));
        form->addRow(tr("Phone:"), text(box, phone, phonePicture));
        return box;
    };
    grid->addWidget(contactBox(tr("Primary Contact"), "PER:PRIMARYCONTACTNAME", "PER:PRIMARYCONTACTRELATIONSHIP",
                               "PER:PRIMARYCONTACTPHONE"),
                    0, 0);
    grid->addWidget(contactBox(tr("Secondary Contact"), "PER:SECONDARYCONTACTNAME",
                               "PER:SECONDARYCONTACTRELATIONSHIP", "PER:SECONDARYCONTACTPHONE"),
                    0, 1);

    // The primary doctor, picked from the doctors list.
    auto *doctorBox = new QGroupBox(tr("Primary Doctor"), page);
    auto *doctorForm = new QFormLayout(doctorBox);
    auto *doctorCombo = new QComboBox(doctorBox);
    doctorCombo->setMinimumWidth(doctorCombo->fontMetrics().averageCharWidth() * 36);
    doctorForm->addRow(tr("Primary Doctors Name:"), doctorCombo);
    doctorForm->addRow(tr("Phone:"), text(doctorBox, "PER:PRIMARYDOCTORPHONE", phonePicture));
    m_doctorDrop = std::make_unique<TableDropCombo>();
    m_doctorDrop->setup(*doctorCombo, *this, *context().relationManager(tables::doctors()));
    m_doctorDrop->addOrder(tables::doctors().keyIndex(QStringLiteral("DOC:ByName")));
    m_doctorDrop->addDisplayField(QStringLiteral("DOC:DOCTORSNAME"));
    const std::pair<const char *, const char *> doctorCopies[] = {
        {"DOC:DOCTORSNAME", "PER:PRIMARYDOCTORNAME"}, {"DOC:PHONENUMBER", "PER:PRIMARYDOCTORPHONE"},
        {"DOC:FAXNUMBER", "PER:PDRFAX"},             {"DOC:EMAILADDRESS", "PER:PDREMAIL"},
        {"DOC:ADDRESS1", "PER:PDRADDRESS1"},         {"DOC:ADDRESS2", "PER:PDRADDRESS2"},
        {"DOC:CITY", "PER:PDRCITY"},                 {"DOC:STATE", "PER:PDRSTATE"},
        {"DOC:ZIPCODE", "PER:PDRZIP"},               {"DOC:PRACTICENAME", "PER:PDRPRACTICENAME"},
        {"DOC:HOURS", "PER:PDRHOURS"}};
    for (const auto &[from, to] : doctorCopies)
        m_doctorDrop->addUpdateField(QString::fromLatin1(from), record(), QString::fromLatin1(to));
    m_doctorDrop->setEntryForm([this] {
        ReferenceForm form(context(), ReferenceForm::doctors(), window());
        return form.execute();
    });
    grid->addWidget(doctorBox, 1, 0);

    // The health plan, picked from the person's active plans.
    auto *planBox = new QGroupBox(tr("Health Insurance"), page);
    auto *planForm = new QFormLayout(planBox);
    auto *planCombo = new QComboBox(planBox);
    planCombo->setMinimumWidth(planCombo->fontMetrics().averageCharWidth() * 30);
    auto *planRow = new QHBoxLayout;
    planRow->addWidget(planCombo, 1);
    auto *plans = plainButton(QStringLiteral("..."), planBox);
    plans->setToolTip(tr("List the Plan Name"));
    plans->setFocusPolicy(Qt::NoFocus);
    connect(plans, &QPushButton::clicked, this, [this] {
        Procedures::instance().startInNewContext(QStringLiteral("BrowsePlanName"), context(), window());
    });
    planRow->addWidget(plans);
    auto *planLabel = new QLabel(tr("Health Insurance Plan:"), planBox);
    planLabel->setBuddy(planCombo);
    planForm->addRow(planLabel, planRow);
    planForm->addRow(tr("Plan/Policy  Number:"), text(planBox, "PER:GROUPPLANNUMBER"));
    planForm->addRow(tr("Primary Contact Name:"), text(planBox, "PER:HEALTHINSURANCECONTACTNAME"));
    planForm->addRow(tr("Phone:"), text(planBox, "PER:HEALTHINSURANCEPHONE", phonePicture));
    m_planDrop = std::make_unique<TableDropCombo>();
    m_planDrop->setup(*planCombo, *this, *context().relationManager(tables::planName()));
    m_planDrop->addOrder(tables::planName().keyIndex(QStringLiteral("INS:ByCompany")));
    m_planDrop->putFilter(QStringLiteral("INS:Personsname = personname and INS:Active = 'Y'"));
    m_planDrop->addDisplayField(QStringLiteral("INS:COMPANYNAME"));
    const std::pair<const char *, const char *> planCopies[] = {
        {"INS:COMPANYNAME", "PER:HEALTHINSURER"},
        {"INS:POLICYNUMBER", "PER:GROUPPLANNUMBER"},
        {"INS:PRIMARYCONTACTNAME", "PER:HEALTHINSURANCECONTACTNAME"},
        {"INS:PHONE", "PER:HEALTHINSURANCEPHONE"}};
    for (const auto &[from, to] : planCopies)
        m_planDrop->addUpdateField(QString::fromLatin1(from), record(), QString::fromLatin1(to));
    m_planDrop->setEntryForm([this] { return runLogForm(QStringLiteral("UpdatePlanName")); });
    grid->addWidget(planBox, 1, 1);
    grid->setRowStretch(2, 1);
    return page;
}

QWidget *UpdatePersonsName::conditionsTab()
{
    auto *page = new QWidget;
    auto *grid = new QGridLayout(page);
    constexpr int rows = 11;
    int i = 0;
    for (const Condition &c : conditions) {
        auto *box = bindCheck(new QCheckBox(QString::fromLatin1(c.label), page), c.field);
        if (c.tip)
            box->setToolTip(QString::fromLatin1(c.tip));
        grid->addWidget(box, i % rows, i / rows);
        ++i;
    }
    grid->setRowStretch(rows, 1);
    return page;
}

QWidget *UpdatePersonsName::equipmentTab()
{
    auto *page = new QWidget;
    auto *form = new QFormLayout(page);
    form->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);
    form->addRow(tr("Defibrillator:"), text(page, "PER:DEFIBRILLATOR"));
    form->addRow(tr("Heart Valve Replacement:"), text(page, "PER:HEARTVALVEREPLACEMENT"));
    form->addRow(tr("Implanted Medical Devices:"), text(page, "PER:IMPLANTEDMEDICALDEVICES"));
    form->addRow(tr("Oxygen:"), text(page, "PER:OXYGEN"));
    form->addRow(tr("Other Device:"), text(page, "PER:OTHER"));
    return page;
}

QWidget *UpdatePersonsName::allergiesTab()
{
    auto *page = new QWidget;
    auto *layout = new QVBoxLayout(page);
    auto *columns = new QHBoxLayout;
    const std::pair<QString, const char *> kinds[] = {
        {tr("Food Allergies"), "PER:FOODALLERGY"}, {tr("Drug Allergies"), "PER:DRUGALLERGY"},
        {tr("Other Allergies"), "PER:OTHERALLERGY"}};
    for (const auto &[title, prefix] : kinds) {
        auto *box = new QGroupBox(title, page);
        auto *list = new QVBoxLayout(box);
        for (int n = 1; n <= 5; ++n)
            list->addWidget(text(box, (QByteArray(prefix) + QByteArray::number(n)).constData()));
        columns->addWidget(box);
    }
    layout->addLayout(columns);
    auto *label = new QLabel(tr("Other Conditions:"), page);
    auto *other = bindMemo(new QPlainTextEdit(page));
    other->setTabChangesFocus(true);
    label->setBuddy(other);
    layout->addWidget(label);
    layout->addWidget(other, 1);
    return page;
}

QWidget *UpdatePersonsName::immunizationsTab()
{
    auto *page = new QWidget;
    auto *layout = new QVBoxLayout(page);
    auto *grid = new QGridLayout;
    grid->addWidget(new QLabel(tr("Immunization"), page), 0, 0);
    grid->addWidget(new QLabel(tr("Date"), page), 0, 1);
    for (int n = 1; n <= 10; ++n) {
        const QByteArray number = QByteArray::number(n);
        grid->addWidget(text(page, ("PER:IMM" + number).constData()), n, 0);
        auto *date = text(page, ("PER:IMMDATE" + number).constData(), datePicture);
        auto *row = new QHBoxLayout;
        row->addWidget(date);
        row->addWidget(addCalendarButton(date));
        row->addStretch(1);
        grid->addLayout(row, n, 1);
    }
    grid->setColumnStretch(2, 1);
    layout->addLayout(grid);
    auto *schedule = plainButton(tr("View CDC Immunization Schedule "), page);
    connect(schedule, &QPushButton::clicked, this, &UpdatePersonsName::viewImmunizationSchedule);
    m_buttons.push_back(schedule);
    auto *row = new QHBoxLayout;
    row->addWidget(schedule);
    row->addStretch(1);
    layout->addLayout(row);
    layout->addStretch(1);
    return page;
}

QWidget *UpdatePersonsName::logTab(const PersonLogSpec &spec)
{
    auto *page = new QWidget;
    auto *layout = new QVBoxLayout(page);

    if (spec.tab == 9) {
        m_bpText = new QPlainTextEdit(page);
        m_bpText->setReadOnly(true);
        m_bpText->setTabChangesFocus(true);
        m_bpText->setMaximumHeight(m_bpText->fontMetrics().lineSpacing() * 5 + 12);
        layout->addWidget(m_bpText);
    } else if (spec.tab == 10) {
        for (const QString &note :
             {tr("Blood Glucose Monitoring plays an important role in diabetes control. Keeping blood glucose levels "
                 "close to normal can reduce the risk of diabetes complications by up to 60%."),
              tr("Range from before-meal glucose levels of 70 to 130 milligrams per deciliter (mg/dL); after-meal "
                 "values of less than 180 mg/dL. Values can vary depending on physical activity, meals, and insulin "
                 "administration.")}) {
            auto *label = new QLabel(note, page);
            label->setWordWrap(true);
            layout->addWidget(label);
        }
    }

    LogSheet sheet;
    sheet.list = std::make_unique<PersonLogList>(spec);
    sheet.control = new BrowseList(page);
    layout->addWidget(sheet.control, 1);
    PersonLogList &list = *sheet.list;
    list.setup(*sheet.control, *context().relationManager(spec.table()), *this);
    list.declare();

    auto *buttons = new QHBoxLayout;
    const std::pair<int, QString> actions[] = {{BrowseManager::InsertControl, tr("&Insert")},
                                               {BrowseManager::ChangeControl, tr("&Change")},
                                               {BrowseManager::DeleteControl, tr("&Delete")}};
    for (std::size_t i = 0; i < 3; ++i) {
        auto *b = plainButton(actions[i].second, page);
        list.setControl(actions[i].first, b);
        buttons->addWidget(b);
        sheet.actions[i] = b;
    }
    const QString entryForm = QString::fromLatin1(spec.entryForm);
    list.setUpdateProcedure([this, entryForm, &list] {
        const int response = runLogForm(entryForm);
        list.formReturned();
        return response;
    });
    buttons->addStretch(1);
    if (spec.tab == 16) {
        buttons->addWidget(new QLabel(tr("Total"), page));
        m_total = new QLabel(page);
        m_total->setMinimumWidth(m_total->fontMetrics().averageCharWidth() * 12);
        m_total->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        m_total->setFrameShape(QFrame::StyledPanel);
        buttons->addWidget(m_total);
        const Picture total = *Picture::parse(QStringLiteral("n-10.2"));
        connect(&list, &PersonLogList::totalChanged, m_total,
                [this, total] { m_total->setText(total.format(logList(16)->total()).trimmed()); });
    }
    if (spec.print != PersonLogSpec::Print::None) {
        sheet.print = plainButton(QString::fromLatin1(spec.printCaption), page);
        m_buttons.push_back(sheet.print);
        buttons->addWidget(sheet.print);
        if (spec.print == PersonLogSpec::Print::Highlighted) {
            list.setControl(BrowseManager::PrintControl, sheet.print);
            const QString report = QString::fromLatin1(spec.report);
            list.setPrintProcedure([this, report] {
                return Procedures::instance().run(report, context(), window());
            });
        } else {
            connect(sheet.print, &QPushButton::clicked, this, [this, &spec] { printLog(spec); });
        }
    }
    auto *help = plainButton(QString::fromLatin1(spec.helpCaption), page);
    m_buttons.push_back(help);
    const QString topic = QString::fromLatin1(spec.helpTopic);
    connect(help, &QPushButton::clicked, this, [this, topic] { showTabHelp(topic); });
    buttons->addWidget(help);
    layout->addLayout(buttons);
    m_logs.push_back(std::move(sheet));
    return page;
}

void UpdatePersonsName::createContents(QDialog *window)
{
    FormWindow::createContents(window);
    m_help = window->findChild<WindowHelp *>();

    // The form's own buttons below the tabs, before OK and Cancel.
    auto *box = window->findChild<QDialogButtonBox *>();
    auto *row = new QHBoxLayout;
    auto *print = plainButton(tr("&Print Basic Tavimo (Tabs 1-8)"), window);
    connect(print, &QPushButton::clicked, this,
            [this] { Procedures::instance().run(QStringLiteral("profile"), context(), this->window()); });
    auto *journal = plainButton(tr("My Medical Journal"), window);
    journal->setToolTip(tr("Free style diary."));
    connect(journal, &QPushButton::clicked, this, [this] {
        Procedures::instance().startInNewContext(QStringLiteral("listjournal"), context(), this->window());
    });
    auto *save = plainButton(tr("Save Record and Close"), window);
    connect(save, &QPushButton::clicked, this, &UpdatePersonsName::pressOkStamped);
    m_buttons.insert(m_buttons.end(), {print, journal, save});
    row->addWidget(print);
    row->addWidget(journal);
    row->addWidget(save);
    row->addStretch(1);
    row->addWidget(new QLabel(tr("Date and Time  Updated:"), window));
    m_updated = new QLabel(window);
    m_updated->setTextInteractionFlags(Qt::TextSelectableByMouse);
    row->addWidget(m_updated);
    auto *layout = static_cast<QVBoxLayout *>(window->layout());
    layout->insertLayout(layout->indexOf(box), row);

    // The buttons below the tabs keep their letters on every page.
    for (int i = 0; i < m_tabs->count(); ++i)
        assignMnemonics(m_tabs->widget(i), QStringLiteral("ochp"));

    // OK stamps the record before the usual completion.
    disconnect(okButton(), &QPushButton::clicked, this, nullptr);
    connect(okButton(), &QPushButton::clicked, this, &UpdatePersonsName::pressOkStamped);
    window->resize(window->sizeHint().expandedTo(QSize(900, 600)));
}

// ---- the life cycle --------------------------------------------------------------

int UpdatePersonsName::setup()
{
    const int result = FormWindow::setup();
    if (result != ResultOk)
        return result;
    ProcessValues &values = ProcessValues::instance();
    Record &r = record();

    m_bpText->setPlainText(bloodPressureExplanation());
    genderChanged();
    if (!r.date("PER:BIRTHDATE").isNull()) {
        r.setReal("PER:AGE", person::ageOn(r.date("PER:BIRTHDATE"), Date::today()));
        showField("PER:AGE");
    }
    person::makeCurrent(r);
    // The first and last name side by side, as the record holds them.
    const FieldDef &firstName = r.layout().field(r.layout().fieldIndex(QStringLiteral("PER:FIRSTNAME")));
    values.nameOnPrescription = QString::fromUtf8(reinterpret_cast<const char *>(r.data() + firstName.offset), 50);

    if (request == Request::View) {
        // The form only shows: OK closes it, and the logs can only be looked at.
        okButton()->setVisible(true);
        okButton()->setEnabled(true);
        button(tr("Save Record and Close"))->setVisible(false);
        m_doctorDrop->list()->setEnabled(false);
        m_planDrop->list()->setEnabled(false);
        button(tr("Recalc BMI"))->setEnabled(false);
        for (LogSheet &s : m_logs) {
            s.list->readOnly = true;
            for (QPushButton *b : s.actions) {
                b->setEnabled(false);
                b->setVisible(false);
            }
        }
    }
    m_doctorDrop->setValue(r.text("PER:PRIMARYDOCTORNAME"));
    m_doctorDrop->fillList();
    m_planDrop->setValue(r.text("PER:HEALTHINSURER"));
    m_planDrop->fillList();
    // The age of today is not a change the person made.
    if (request == Request::Change)
        renewSavedCopy();
    for (LogSheet &s : m_logs) {
        s.list->bindPerson();
        s.list->selectOrder(s.list->chosenOrder());
        if (s.list->openList() != ResultOk)
            return ResultFatal;
    }
    // The total is added up when its list is first shown, as the list fills.
    PersonLogList *expenses = logList(16);
    QWidget *expensePage = expenses->list()->parentWidget();
    auto sumWhenShown = [this, expenses, expensePage] {
        if (m_tabs->currentWidget() == expensePage && !m_totalShown) {
            m_totalShown = true;
            expenses->sumSelected();
        }
    };
    connect(m_tabs, &QTabWidget::currentChanged, this, sumWhenShown);
    sumWhenShown();
    showUpdated();
    return ResultOk;
}

PersonLogList *UpdatePersonsName::logList(int tab) const
{
    for (const LogSheet &s : m_logs)
        if (s.list->spec().tab == tab)
            return s.list.get();
    return nullptr;
}

QWidget *UpdatePersonsName::logButton(int tab, int control) const
{
    for (const LogSheet &s : m_logs)
        if (s.list->spec().tab == tab) {
            switch (control) {
            case BrowseManager::InsertControl:
                return s.actions[0];
            case BrowseManager::ChangeControl:
                return s.actions[1];
            case BrowseManager::DeleteControl:
                return s.actions[2];
            default:
                return nullptr;
            }
        }
    return nullptr;
}

QPushButton *UpdatePersonsName::printButton(int tab) const
{
    for (const LogSheet &s : m_logs)
        if (s.list->spec().tab == tab)
            return s.print;
    return nullptr;
}

QPushButton *UpdatePersonsName::button(const QString &caption) const
{
    for (QPushButton *b : m_buttons)
        if (b->text() == caption)
            return b;
    return nullptr;
}

// ---- field work ------------------------------------------------------------------

bool UpdatePersonsName::takeEntry(QWidget *control)
{
    for (const auto &b : bindings())
        if (b->control() == control)
            return b->store(record());
    return false;
}

void UpdatePersonsName::showField(const char *field)
{
    const int index = record().layout().fieldIndex(QString::fromLatin1(field));
    for (const auto &b : bindings())
        if (b->field() == index)
            b->load(record());
}

void UpdatePersonsName::showUpdated()
{
    if (!m_updated)
        return;
    const Date date = record().date("PER:DATEUPDATED");
    const Time time = record().time("PER:TIMEUPDATED");
    m_updated->setText(Picture::parse(datePicture)->format(date) + QLatin1String("  ")
                       + Picture::parse(QStringLiteral("t7"))->format(time));
}

void UpdatePersonsName::lastNameCompleted()
{
    takeEntry(entry("PER:FIRSTNAME"));
    takeEntry(entry("PER:LASTNAME"));
    record().setText("PER:PERSONSNAME",
                     person::fullName(record().text("PER:FIRSTNAME"), record().text("PER:LASTNAME")));
}

void UpdatePersonsName::birthdateCompleted()
{
    if (!takeEntry(entry("PER:BIRTHDATE")))
        return;
    const double age = person::ageOn(record().date("PER:BIRTHDATE"), Date::today());
    record().setReal("PER:AGE", age);
    ProcessValues::instance().currentPerson.age = age;
    showField("PER:AGE");
}

void UpdatePersonsName::genderChanged()
{
    const bool female = person::clipped(record().text("PER:GENDER")) == QLatin1String("F");
    for (QWidget *w : m_menstruation)
        w->setVisible(female);
}

void UpdatePersonsName::heightCompleted()
{
    takeEntry(entry("PER:HEIGHT"));
    takeEntry(entry("PER:WEIGHT"));
    record().setReal("PER:BMI", person::bmi(record().integer("PER:WEIGHT"), record().text("PER:HEIGHT")));
    showField("PER:BMI");
}

void UpdatePersonsName::recalcBmi()
{
    heightCompleted();
    CurrentPersonValues &current = ProcessValues::instance().currentPerson;
    if (record().real("PER:BMI") > 0)
        current.bmi = record().real("PER:BMI");
    if (record().integer("PER:WEIGHT") > 0)
        current.weight = record().integer("PER:WEIGHT");
    if (!record().text("PER:HEIGHT").isEmpty())
        current.height = record().text("PER:HEIGHT");
    Procedures::instance().run(QStringLiteral("idealbmi"), context(), window());
}

void UpdatePersonsName::pressOkStamped()
{
    if (!isRunning())
        return;
    if (request == Request::Insert || request == Request::Change) {
        // Without a name the person's logs could never be found.
        QLineEdit *last = entry("PER:LASTNAME");
        if (last->text().trimmed().isEmpty()) {
            QApplication::beep();
            m_tabs->setCurrentIndex(0);
            last->setFocus();
            return;
        }
    }
    if (request == Request::View) {
        pressOk();
        return;
    }
    const Date date = record().date("PER:DATEUPDATED");
    const Time time = record().time("PER:TIMEUPDATED");
    record().setDate("PER:DATEUPDATED", Date::today());
    record().setTime("PER:TIMEUPDATED", Time::now());
    lastNameCompleted();
    pressOk();
    // Still open: nothing was saved, so nothing was updated.
    if (isRunning()) {
        record().setDate("PER:DATEUPDATED", date);
        record().setTime("PER:TIMEUPDATED", time);
    }
    showUpdated();
}

// ---- the logs --------------------------------------------------------------------

int UpdatePersonsName::runLogForm(const QString &procedure)
{
    // A form that only views opens nothing from its lists.
    if (request == Request::View) {
        context().request = Request::None;
        return Response::Cancelled;
    }
    if (m_runner)
        return m_runner(procedure);
    return Procedures::instance().run(procedure, context(), window());
}

void UpdatePersonsName::printLog(const PersonLogSpec &spec)
{
    const QString report = QString::fromLatin1(spec.report);
    if (spec.print == PersonLogSpec::Print::NewContext) {
        Procedures::instance().startInNewContext(report, context(), window());
        return;
    }
    // The report reads the range the date window leaves; a person who
    // cancelled the dates did not ask for the report.
    if (Procedures::instance().run(QStringLiteral("prebpaverages"), context(), window()) != Response::Completed)
        return;
    Procedures::instance().run(report, context(), window());
}

void UpdatePersonsName::showTabHelp(const QString &topic)
{
    if (!m_help)
        return;
    m_help->setTopic(topic);
    m_help->show();
    m_help->setTopic(helpTopic());
}

void UpdatePersonsName::viewImmunizationSchedule()
{
    // The schedule is a document in the upload folder, shown by the
    // desktop's viewer.
    const QString path = QDir(uploadFolder()).filePath(QStringLiteral("IZSchedule_2007.pdf"));
    if (QFileInfo::exists(path) && QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
        return;
    if (MessagePresenter *presenter = errors().presenter()) {
        MessageBoxRequest box;
        box.caption = tr("Immunization Schedule");
        box.text = tr("The immunization schedule could not be opened.\nPut IZSchedule_2007.pdf into %1 "
                      "and try again.")
                       .arg(QDir::toNativeSeparators(uploadFolder()));
        box.icon = MessageIcon::Exclamation;
        presenter->show(box);
    }
}

} // namespace tavimo
