#pragma once

// Data folders with people and their logs, for the profile window tests.
#include "datacontext.h"
#include "errormanager.h"
#include "filemanager.h"
#include "record.h"
#include "scriptedpresenter.h"
#include "tables.h"
#include "threadcontext.h"

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

} // namespace tavimo::testing
