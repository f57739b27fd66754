// Every name that a declared form, list, log tab, report button or menu
// item uses resolves: tables, fields, keys, pictures, filters, help topics
// and procedures. A misspelt name would otherwise show a blank column, an
// unreadable filter or "Procedure not defined" only when a person tries it.
#include "contextfixture.h"
#include "declaredform.h"
#include "declaredlist.h"
#include "filterexpression.h"
#include "helpcatalogue.h"
#include "mainframe.h"
#include "personlogs.h"
#include "picture.h"
#include "procedures.h"
#include "programnames.h"
#include "recordwindows.h"
#include "registerprocedures.h"
#include "softcheck.h"
#include "tables.h"
#include "updatepersonsname.h"

#include <QAction>
#include <QMenuBar>
#include <QTest>

using namespace tavimo;

namespace {

QString latin(const char *text)
{
    return QString::fromLatin1(text);
}

// Collects what does not resolve, so one run names every fault.
struct Names
{
    QStringList faults;
    HelpCatalogue help;

    void need(bool ok, const QString &where, const QString &what)
    {
        if (!ok)
            faults << where + QLatin1String(": ") + what;
    }
    const TableLayout *table(const QString &where, const char *label)
    {
        const TableLayout *t = tables::byLabel(latin(label));
        need(t != nullptr, where, QStringLiteral("table ") + latin(label));
        return t;
    }
    void field(const QString &where, const TableLayout &t, const char *name)
    {
        need(t.fieldIndex(latin(name)) >= 0, where, QStringLiteral("field ") + latin(name));
    }
    void key(const QString &where, const TableLayout &t, const char *name)
    {
        if (*name)
            need(t.keyIndex(latin(name)) >= 0, where, QStringLiteral("key ") + latin(name));
    }
    void picture(const QString &where, const char *text)
    {
        if (*text)
            need(Picture::parse(latin(text)).has_value(), where, QStringLiteral("picture ") + latin(text));
    }
    void filter(const QString &where, const TableLayout &t, const char *text)
    {
        if (!*text)
            return;
        QString error;
        const auto parsed = FilterExpression::parse(latin(text), &error);
        const bool bound = parsed && parsed->bind(t, ProgramNames::instance(), &error) != nullptr;
        need(bound, where, QStringLiteral("filter ") + latin(text) + QLatin1String(" (") + error + QLatin1Char(')'));
    }
    // "+SUR:DateOfSurgery,+PRE:Active": fields with an optional direction.
    void orderText(const QString &where, const TableLayout &t, const char *text)
    {
        for (QString part : latin(text).split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            part = part.trimmed();
            if (part.startsWith(QLatin1Char('+')) || part.startsWith(QLatin1Char('-')))
                part.remove(0, 1);
            need(t.fieldIndex(part) >= 0, where, QStringLiteral("order field ") + part);
        }
    }
    void topic(const QString &where, const char *name)
    {
        if (*name)
            need(!help.resolve(latin(name)).isEmpty(), where, QStringLiteral("help topic ") + latin(name));
    }
    void procedure(const QString &where, const QString &name)
    {
        if (!name.isEmpty())
            need(Procedures::instance().contains(name) || proceduresToCome().contains(name), where,
                 QStringLiteral("procedure ") + name);
    }
};

} // namespace

class TestDeclaredNames : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { registerProcedures(); }
    void formsResolve();
    void listsResolve();
    void logTabsResolve();
    void menuItemsResolve();
    void procedureListsDoNotOverlap();
    void everyDeclaredWindowBuildsWithoutAWarning();
};

void TestDeclaredNames::formsResolve()
{
    Names n;
    for (const FormSpec *spec : declaredForms()) {
        const QString where = latin(spec->procedure);
        n.procedure(where, where);
        n.topic(where, spec->helpTopic);
        const TableLayout *t = n.table(where, spec->table);
        if (!t)
            continue;
        for (const FormTab &tab : spec->tabs) {
            // Each prompt of a page has a letter of its own, and none is OK's, Cancel's or Help's.
            QString letters = QStringLiteral("och");
            for (const FormRow &row : tab.rows) {
                const QString prompt = QString::fromUtf8(row.prompt);
                const int mark = prompt.indexOf(QLatin1Char('&'));
                const QChar letter = mark >= 0 && mark + 1 < prompt.size() ? prompt.at(mark + 1).toLower() : QChar();
                n.need(row.kind == RowKind::Note || (!letter.isNull() && !letters.contains(letter)), where,
                       QStringLiteral("prompt without a mnemonic of its own ") + prompt);
                letters += letter;
                if (row.kind == RowKind::Memo)
                    n.need(t->memo() && t->memo()->name.compare(latin(row.field), Qt::CaseInsensitive) == 0, where,
                           QStringLiteral("memo ") + latin(row.field));
                else if (row.kind != RowKind::Note)
                    n.field(where, *t, row.field);
                n.picture(where, row.picture);
                if (row.drop) {
                    const TableLayout *ref = n.table(where, row.drop->table);
                    if (ref) {
                        n.key(where, *ref, row.drop->key);
                        n.field(where, *ref, row.drop->display);
                        n.filter(where, *ref, row.drop->filter);
                        for (const auto &[from, to] : row.drop->copies) {
                            n.field(where, *ref, from);
                            n.field(where, *t, to);
                        }
                    }
                    n.procedure(where, latin(row.drop->entryForm));
                }
                n.procedure(where, latin(row.beside));
                n.topic(where, row.help);
            }
        }
    }
    QVERIFY2(n.faults.isEmpty(), qPrintable(n.faults.join(QLatin1Char('\n'))));
}

void TestDeclaredNames::listsResolve()
{
    Names n;
    for (const ListSpec *spec : declaredLists()) {
        const QString where = latin(spec->procedure);
        n.procedure(where, where);
        n.procedure(where, latin(spec->form));
        n.topic(where, spec->helpTopic);
        const TableLayout *t = n.table(where, spec->table);
        if (!t)
            continue;
        for (const ListOrder &o : spec->orders) {
            n.key(where, *t, o.key);
            n.orderText(where, *t, o.extra);
            n.filter(where, *t, o.filter);
            if (*o.range)
                n.field(where, *t, o.range);
        }
        for (const ListColumn &c : spec->columns) {
            n.field(where, *t, c.field);
            n.picture(where, c.picture);
        }
    }
    QVERIFY2(n.faults.isEmpty(), qPrintable(n.faults.join(QLatin1Char('\n'))));
}

void TestDeclaredNames::logTabsResolve()
{
    Names n;
    for (const PersonLogSpec &spec : PersonLogSpec::all()) {
        const QString where = latin(spec.tabCaption);
        const TableLayout &t = spec.table();
        for (const PersonLogSpec::Order &o : spec.orders) {
            if (o.key)
                n.key(where, t, o.key);
            n.orderText(where, t, o.extra);
            n.filter(where, t, o.filter);
        }
        if (spec.choiceField)
            n.field(where, t, spec.choiceField);
        for (const PersonLogSpec::Column &c : spec.columns) {
            n.field(where, t, c.field);
            n.picture(where, c.picture);
        }
        n.procedure(where, latin(spec.entryForm));
        if (spec.print != PersonLogSpec::Print::None)
            n.procedure(where, latin(spec.report));
        n.topic(where, spec.helpTopic);
    }
    n.topic(QStringLiteral("UpdatePersonsName"), "tavimo.htm");
    QVERIFY2(n.faults.isEmpty(), qPrintable(n.faults.join(QLatin1Char('\n'))));
}

void TestDeclaredNames::menuItemsResolve()
{
    testing::ContextFixture f;
    MainFrame frame(*f.context, f.tmp.path());
    Names n;
    int items = 0;
    for (QAction *action : frame.menuBar()->findChildren<QAction *>()) {
        const QString procedure = action->data().toString();
        if (procedure.isEmpty())
            continue;
        ++items;
        n.procedure(action->text(), procedure);
    }
    QVERIFY(items > 0);
    QVERIFY2(n.faults.isEmpty(), qPrintable(n.faults.join(QLatin1Char('\n'))));
}

void TestDeclaredNames::procedureListsDoNotOverlap()
{
    // A procedure that is written comes off the list of those to come.
    for (const QString &name : proceduresToCome())
        QVERIFY2(!Procedures::instance().contains(name), qPrintable(name));
}

void TestDeclaredNames::everyDeclaredWindowBuildsWithoutAWarning()
{
    testing::ContextFixture f;
    const int before = softCheckFailures();
    for (const FormSpec *spec : declaredForms()) {
        f.context->request = Request::Insert;
        std::unique_ptr<FormWindow> form = Procedures::instance().makeForm(latin(spec->procedure), *f.context, nullptr);
        QVERIFY2(form, spec->procedure);
        QVERIFY2(form->start(), spec->procedure);
        form->endWith(Response::Cancelled);
    }
    for (const ListSpec *spec : declaredLists()) {
        DeclaredList list(*f.context, *spec);
        QVERIFY2(list.start(), spec->procedure);
        QCOMPARE(list.list().columns().size(), spec->columns.size());
        list.endWith(Response::Cancelled);
    }
    f.context->request = Request::Insert;
    UpdatePersonsName profile(*f.context);
    QVERIFY(profile.start());
    for (int i = 0; i < profile.tabs()->count(); ++i)
        profile.tabs()->setCurrentIndex(i);
    profile.endWith(Response::Cancelled);
    QCOMPARE(softCheckFailures(), before);
    QCOMPARE(f.presenter.count(), 0);
}

QTEST_MAIN(TestDeclaredNames)
#include "tst_declarednames.moc"
