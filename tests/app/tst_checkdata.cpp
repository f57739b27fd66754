// The data check a user runs when something looks wrong.
#include "checkdata.h"
#include "ownerkey.h"
#include "tables.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace tavimo;

namespace {
struct Run
{
    int code;
    QString out;
    QString err;
};

Run check(const QString &dir)
{
    QString out;
    QString err;
    QTextStream o(&out);
    QTextStream e(&err);
    const int code = checkData(dir, o, e);
    return Run{code, out, err};
}
} // namespace

class TestCheckData : public QObject
{
    Q_OBJECT

private slots:
    void freshFolderIsCreatedAndUsable();
    void damagedFileFailsWithAClearMessage();
};

void TestCheckData::freshFolderIsCreatedAndUsable()
{
    QTemporaryDir tmp;
    const QString dir = tmp.filePath(QStringLiteral("data"));
    const Run first = check(dir);
    QVERIFY2(first.code == 0, qPrintable(first.err));
    const QStringList lines = first.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    // A heading, one line per table, a closing line.
    QCOMPARE(lines.size(), int(tables::all().size()) + 2);
    QVERIFY(first.out.contains(QRegularExpression(QStringLiteral("PersonsName +persons\\.tdb +encrypted +0 records, created"))));
    QVERIFY(first.out.contains(QRegularExpression(QStringLiteral("Doctors +support\\.tdb +plain +0 records"))));
    QVERIFY(first.out.contains(QRegularExpression(QStringLiteral("DUMMY +model\\.dll +encrypted +absent"))));
    QVERIFY(!QFile::exists(QDir(dir).filePath(QStringLiteral("model.dll")))); // never created

    const Run second = check(dir);
    QCOMPARE(second.code, 0);
    QVERIFY(!second.out.contains(QStringLiteral("created")));
}

void TestCheckData::damagedFileFailsWithAClearMessage()
{
    QTemporaryDir tmp;
    QCOMPARE(check(tmp.path()).code, 0);
    QFile glucose(QDir(tmp.path()).filePath(QStringLiteral("Glucose.tdb")));
    QVERIFY(glucose.open(QIODevice::WriteOnly | QIODevice::Truncate));
    glucose.write(QByteArray(4096, 'x'));
    glucose.close();

    const Run run = check(tmp.path());
    QCOMPARE(run.code, 1);
    QVERIFY(run.out.contains(QRegularExpression(QStringLiteral("Glucose +Glucose\\.tdb +encrypted +CANNOT BE USED"))));
    QVERIFY2(run.err.contains(QStringLiteral("Tavimo cannot use the table Glucose in")), qPrintable(run.err));
    QVERIFY(run.err.contains(QStringLiteral("1 table cannot be used")));
    // The other tables were still checked.
    QVERIFY(run.out.contains(QRegularExpression(QStringLiteral("Bloodpre +Bloodpre\\.tdb +encrypted +0 records"))));
}

QTEST_GUILESS_MAIN(TestCheckData)
#include "tst_checkdata.moc"
