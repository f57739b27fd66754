#include "idealbmi.h"

#include "currentperson.h"
#include "filemanager.h"
#include "helpviewer.h"
#include "picture.h"
#include "procedures.h"
#include "record.h"
#include "tables.h"
#include "threadcontext.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <cmath>

namespace tavimo {

IdealBmi::IdealBmi(ThreadContext &context, QWidget *owner) : ProcedureWindow(context, QStringLiteral("idealbmi"), owner)
{
}

std::array<int, 6> IdealBmi::weightsFor(const QString &height, int *inchesOut, double *squareOut)
{
    const auto inches = qint16(person::heightInches(height));
    const double square = double(inches) * inches;
    std::array<int, 6> weights{};
    for (int b = 20; b <= 25; ++b)
        weights[std::size_t(b - 20)] = int(std::trunc(b / 703.0 * square));
    if (inchesOut)
        *inchesOut = inches;
    if (squareOut)
        *squareOut = square;
    return weights;
}

void IdealBmi::createContents(QDialog *window)
{
    auto *layout = new QVBoxLayout(window);
    auto *note = new QLabel(tr("The Body Mass Index is only one indicator of fitness.  Here are the approximate "
                               "weights for your height in order to produce BMI's of 20-25."),
                            window);
    note->setWordWrap(true);
    layout->addWidget(note);

    const Record &person = context().fileManager(tables::personsName())->record();
    m_weights = weightsFor(person.text("PER:HEIGHT"), &m_inches, &m_square);

    auto *current = new QGroupBox(tr("Current Data"), window);
    auto *form = new QFormLayout(current);
    auto shown = [current](const QString &text) {
        auto *e = new QLineEdit(text, current);
        e->setReadOnly(true);
        return e;
    };
    const Picture bmi = *Picture::parse(QStringLiteral("n6.2b"));
    form->addRow(tr("Persons Name:"), shown(person.text("PER:PERSONSNAME")));
    form->addRow(tr("Height:"), shown(person.text("PER:HEIGHT").trimmed()));
    form->addRow(tr("Weight:"), shown(person.integer("PER:WEIGHT") > 0 ? QString::number(person.integer("PER:WEIGHT"))
                                                                       : QString()));
    form->addRow(tr("BMI:"), shown(bmi.format(person.real("PER:BMI")).trimmed()));
    layout->addWidget(current);

    m_table = new QTableWidget(6, 2, window);
    m_table->setHorizontalHeaderLabels({tr("BMI"), tr("Weight")});
    m_table->verticalHeader()->hide();
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionMode(QAbstractItemView::NoSelection);
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    for (int row = 0; row < 6; ++row) {
        auto *b = new QTableWidgetItem(QString::number(20 + row));
        auto *w = new QTableWidgetItem(QString::number(m_weights[std::size_t(row)]));
        b->setTextAlignment(Qt::AlignCenter);
        w->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        m_table->setItem(row, 0, b);
        m_table->setItem(row, 1, w);
    }
    m_table->setMinimumHeight(m_table->horizontalHeader()->sizeHint().height()
                              + 6 * m_table->verticalHeader()->defaultSectionSize() + 4);
    layout->addWidget(m_table, 1);

    auto *buttons = new QDialogButtonBox(window);
    QPushButton *print = buttons->addButton(tr("&Print"), QDialogButtonBox::ActionRole);
    QPushButton *ok = buttons->addButton(tr("&OK"), QDialogButtonBox::AcceptRole);
    QPushButton *cancel = buttons->addButton(tr("&Cancel"), QDialogButtonBox::RejectRole);
    QPushButton *help = buttons->addButton(tr("&Help"), QDialogButtonBox::HelpRole);
    ok->setDefault(true);
    layout->addWidget(buttons);
    addButton(ok, Response::Completed);
    addButton(cancel, Response::Cancelled);
    auto *topic = new WindowHelp(window, QStringLiteral("BMI.htm"));
    connect(help, &QPushButton::clicked, topic, &WindowHelp::show);
    connect(print, &QPushButton::clicked, this,
            [this] { Procedures::instance().run(QStringLiteral("printBMI"), context(), this->window()); });
}

} // namespace tavimo
