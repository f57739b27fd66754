#pragma once

// Data folders with people and their logs, for the profile window tests.
#include "datacontext.h"
#include "errormanager.h"
#include "filemanager.h"
#include "record.h"
#include "scriptedpresenter.h"
#include "tables.h"
#include "threadcontext.h"
#include "updatepersonsname.h"

#include <QApplication>
#include <QDialog>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QVariant>

#include <initializer_list>
#include <memory>
#include <utility>

namespace tavimo::testing {

struct ProfileFixture
{
    QTemporaryDir tmp;
    ScriptedPresenter presenter;
    std::unique_ptr<ThreadContext> context;

    ProfileFixture()
    {
        ErrorManager::global().setPresenter(&presenter);
        ErrorManager::global().setFatalHandler([] {});
        context = std::make_unique<ThreadContext>(programContextConfig(tmp.path()));
    }
    ~ProfileFixture()
    {
        context.reset();
        ErrorManager::global().setPresenter(nullptr);
    }

    FileManager &file(const TableLayout &t) { return *context->fileManager(t); }

    // Adds a record with the given fields; texts, dates (QDate), integers,
    // reals and decimals (as "12.50" texts for decimal fields) by name.
    bool add(const TableLayout &t, std::initializer_list<std::pair<const char *, QVariant>> fields)
    {
        FileManager &f = file(t);
        if (f.open() != ResultOk)
            return false;
        f.record().clear();
        for (const auto &[name, value] : fields)
            put(f.record(), name, value);
        const int result = f.insert();
        f.close();
        return result == ResultOk;
    }

    static void put(Record &r, const char *name, const QVariant &value)
    {
        const int index = r.layout().fieldIndex(QString::fromLatin1(name));
        QVERIFY2(index >= 0, name);
        switch (r.layout().field(index).type) {
        case FieldType::Date:
            r.setDate(index, Date::fromQDate(value.toDate()));
            break;
        case FieldType::Time:
            r.setTime(index, Time::fromQTime(value.toTime()));
            break;
        case FieldType::Decimal:
            r.setDecimal(index, *Decimal::parse(value.toString()));
            break;
        case FieldType::Real:
            r.setReal(index, value.toDouble());
            break;
        case FieldType::Short:
        case FieldType::Byte:
            r.setInteger(index, value.toInt());
            break;
        default:
            r.setText(index, value.toString());
            break;
        }
    }

    // Reads the person into the buffer, as the list leaves it for a change.
    bool readPerson(const QString &name)
    {
        FileManager &f = file(tables::personsName());
        f.open();
        f.record().clear();
        f.record().setText("PER:PERSONSNAME", name);
        return f.getByKey(0) == ResultOk;
    }
};

// The profile form opened on a person with a request, without waiting.
struct OpenForm
{
    std::unique_ptr<UpdatePersonsName> form;
    OpenForm(ProfileFixture &f, int request, const QString &name)
    {
        FileManager &persons = f.file(tables::personsName());
        if (request == Request::Insert) {
            persons.open();
            persons.newRecord();
        } else {
            f.readPerson(name);
        }
        f.context->request = request;
        form = std::make_unique<UpdatePersonsName>(*f.context);
        form->start();
    }
    ~OpenForm()
    {
        if (form && form->isRunning())
            form->endWith(Response::Cancelled);
    }
    // For key presses: focus is only given to the active window.
    bool activate() const
    {
        form->window()->activateWindow();
        return QTest::qWaitForWindowActive(form->window());
    }
    // Lists fill when they are first shown.
    PersonLogList &shown(int tab) const
    {
        QTabWidget *tabs = form->tabs();
        for (int i = 0; i < tabs->count(); ++i)
            if (tabs->tabText(i).startsWith(QString::number(tab) + QLatin1Char(')')))
                tabs->setCurrentIndex(i);
        QApplication::processEvents();
        return *form->logList(tab);
    }
    QStringList column(int tab, int column) const
    {
        shown(tab);
        QStringList out;
        for (const auto &row : form->logList(tab)->rows())
            out << row.columns.value(column);
        return out;
    }
};

} // namespace tavimo::testing
