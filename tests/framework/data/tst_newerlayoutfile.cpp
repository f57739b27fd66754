// A data file written by a newer Tavimo: the file manager says which file,
// which version it holds and which this program knows, and the file stays
// as it was.
#include "errormanager.h"
#include "filemanager.h"
#include "result.h"
#include "scriptedpresenter.h"
#include "storagesession.h"
#include "storedtable.h"
#include "tablelayout.h"
#include "threadcontext.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace tavimo;

namespace {

TableLayout notes(int version)
{
    return TableLayout::Builder("Notes", "NOT", "notes", Protection::Encrypted)
        .text("TEXT", 20)
        .key("NOT:ByText", {"TEXT"})
        .version(version)
        .build();
}

QByteArray digestOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256)
                                       : QByteArray();
}

} // namespace

class TestNewerLayoutFile : public QObject
{
    Q_OBJECT

private slots:
    void refusedWithTheFileAndBothVersions_data();
    void refusedWithTheFileAndBothVersions();
};

void TestNewerLayoutFile::refusedWithTheFileAndBothVersions_data()
{
    QTest::addColumn<bool>("shown"); // else the quiet twin only records the message
    QTest::newRow("shown") << true;
    QTest::newRow("quiet") << false;
}

void TestNewerLayoutFile::refusedWithTheFileAndBothVersions()
{
    QFETCH(bool, shown);
    QTemporaryDir tmp;
    const QString dir = tmp.filePath(QStringLiteral("data"));
    const TableLayout newer = notes(3);
    const TableLayout known = notes(2);
    {
        StorageSession session(dir);
        StoredTable t(session, newer);
        t.setOwnerPassword(QStringLiteral("pw"));
        QCOMPARE(t.create(), 0);
    }
    const QString file = QDir(dir).filePath(QStringLiteral("notes.tdb"));
    const QByteArray before = digestOf(file);

    ScriptedPresenter presenter;
    ErrorManager errors;
    errors.setPresenter(&presenter);
    int fatalEnds = 0;
    errors.setFatalHandler([&] { ++fatalEnds; });
    ContextConfig config;
    config.dataDirectory = dir;
    config.tables = {&known};
    config.ownerPassword = QStringLiteral("pw");
    config.errors = &errors;
    ThreadContext context(config);
    FileManager fm(context, context.table(known), errors);
    fm.lazyOpen = false;
    const int result = shown ? fm.open() : fm.openQuiet();

    QCOMPARE(result, int(ResultFatal));
    QVERIFY(!fm.isOpen());
    const QString expected = QStringLiteral("Notes cannot be opened: the data file %1 holds layout version 3 of it, "
                                            "and this Tavimo knows versions up to 2.|The file was left as it is; "
                                            "a newer Tavimo can open it.")
                                 .arg(file);
    if (shown) {
        QCOMPARE(presenter.count(), 1);
        QCOMPARE(presenter.last().caption, QStringLiteral("File Of A Newer Version"));
        QCOMPARE(presenter.last().text,
                 QString(expected).replace(QLatin1Char('|'), QLatin1Char('\n')) + QLatin1String(ErrorManager::FatalSuffix));
        QCOMPARE(fatalEnds, 1);
    } else {
        QCOMPARE(presenter.count(), 0);
        QCOMPARE(context.errorState.errorBuffer.id, int(FileManager::NewerFileMessage));
        QCOMPARE(errors.composeText(context), expected);
    }
    QCOMPARE(digestOf(file), before);
}

QTEST_GUILESS_MAIN(TestNewerLayoutFile)
#include "tst_newerlayoutfile.moc"
