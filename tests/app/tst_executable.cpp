// The program itself, started as a user starts it: a fatal message ends
// it at once, with a status that says it failed.
#include "errormanager.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

class TestExecutable : public QObject
{
    Q_OBJECT

private slots:
    void fatalMessageEndsAtOnce_data();
    void fatalMessageEndsAtOnce();
};

void TestExecutable::fatalMessageEndsAtOnce_data()
{
    QTest::addColumn<bool>("readOnlyFolder"); // else the folder's place is taken by a file
    QTest::newRow("folder that cannot be made") << false;
    QTest::newRow("empty read-only folder") << true;
}

void TestExecutable::fatalMessageEndsAtOnce()
{
    QFETCH(bool, readOnlyFolder);
    QTemporaryDir tmp;
    QString data;
    if (readOnlyFolder) {
        data = tmp.filePath(QStringLiteral("data"));
        QVERIFY(QDir().mkpath(data));
        QVERIFY(QFile::setPermissions(data, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        QFile probe(QDir(data).filePath(QStringLiteral("probe")));
        if (probe.open(QIODevice::WriteOnly)) {
            probe.remove();
            QFile::setPermissions(data, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
            QSKIP("This user may write in a read-only folder (root): no table fails to be made.");
        }
    } else {
        QFile file(tmp.filePath(QStringLiteral("taken")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        data = tmp.filePath(QStringLiteral("taken/data"));
    }

    QProcess tavimo;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen")); // messages go to stderr
    env.insert(QStringLiteral("HOME"), tmp.filePath(QStringLiteral("home")));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), tmp.filePath(QStringLiteral("config")));
    env.remove(QStringLiteral("TAVIMO_DATA_DIR"));
    tavimo.setProcessEnvironment(env);
    tavimo.start(QStringLiteral(TAVIMO_EXECUTABLE), {QStringLiteral("--data-dir"), data});
    // Only a bound on a hang: a frame that went on after the message would run for ever.
    if (!tavimo.waitForFinished(120000)) {
        tavimo.kill();
        tavimo.waitForFinished();
        QFile::setPermissions(data, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QFAIL("Tavimo was still running after a fatal message");
    }
    QFile::setPermissions(data, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    const QString err = QString::fromLocal8Bit(tavimo.readAllStandardError());
    QCOMPARE(tavimo.exitStatus(), QProcess::NormalExit);
    QCOMPARE(tavimo.exitCode(), tavimo::ErrorManager::FatalExitCode);
    QVERIFY2(err.count(QStringLiteral("Press OK to end this application")) == 1, qPrintable(err));
    QVERIFY2(err.contains(QStringLiteral("File Creation Error: Error: (Access Denied (5)) creating Prescripts.")),
             qPrintable(err));
    // The warning that nothing can be saved came first, once.
    QVERIFY2(err.count(QStringLiteral("Access Denied: Could not get write access to %1 so trying read-only.").arg(data)) == 1,
             qPrintable(err));
}

QTEST_GUILESS_MAIN(TestExecutable)
#include "tst_executable.moc"
