#include "settingsstore.h"

#include <QAtomicInt>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <memory>
#include <vector>

using tavimo::SettingsStore;
using Backend = SettingsStore::Backend;

Q_DECLARE_METATYPE(SettingsStore::Backend)

namespace {

const QString StoreName = QStringLiteral("HTavimo");
const QString Preserved = QStringLiteral("Preserved");
const QStringList PreservedKeys = {QStringLiteral("HPATH"), QStringLiteral("sponsorit"),
                                   QStringLiteral("uploadaccount"), QStringLiteral("uploadname")};
const QString BookSection = QLatin1String(SettingsStore::BookkeepingSection);
const QString BookKey = QLatin1String(SettingsStore::BookkeepingKey);

QStringList sorted(QStringList list)
{
    list.sort();
    return list;
}

} // namespace

class TestSettingsStore : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void firstRunPreserved_data();
    void firstRunPreserved();
    void emptyWriteDeletesKey_data();
    void emptyWriteDeletesKey();
    void valuesRoundTripAsText_data();
    void valuesRoundTripAsText();
    void storedTextReadsBack_data();
    void storedTextReadsBack();
    void noneBackendKeepsNothing();
    void iniBackendUsesGivenPath_data();
    void iniBackendUsesGivenPath();
    void initFailureLeavesStoreClosed_data();
    void initFailureLeavesStoreClosed();
    void sectorsSurviveReopen_data();
    void sectorsSurviveReopen();
    void bookkeepingKeyBelongsToStore();
    void unchangedBookkeepingIsNotRewritten();
    void killAndDestructor();
    void concurrentWritesKeepEveryValue_data();
    void concurrentWritesKeepEveryValue();

private:
    void addBackendColumn();
    void addBackendRows();
    bool openStore(SettingsStore &store, Backend backend) const;
    std::unique_ptr<QSettings> raw(Backend backend) const;
    QString iniPath() const { return m_dir->filePath(QStringLiteral("store.ini")); }
    QString nativePath() const;
    QStringList filesUnderDir() const;

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestSettingsStore::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
}

void TestSettingsStore::init()
{
    // Every test gets its own folder for every kind of settings file, so the
    // native back end never reaches the user's real configuration.
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    for (auto format : {QSettings::NativeFormat, QSettings::IniFormat}) {
        QSettings::setPath(format, QSettings::UserScope, m_dir->filePath(QStringLiteral("user")));
        QSettings::setPath(format, QSettings::SystemScope, m_dir->filePath(QStringLiteral("system")));
    }
}

void TestSettingsStore::cleanup()
{
    m_dir.reset();
}

void TestSettingsStore::addBackendColumn()
{
    QTest::addColumn<Backend>("backend");
}

void TestSettingsStore::addBackendRows()
{
    addBackendColumn();
    QTest::newRow("ini file") << Backend::IniFile;
    QTest::newRow("native") << Backend::Native;
}

bool TestSettingsStore::openStore(SettingsStore &store, Backend backend) const
{
#ifdef Q_OS_WIN
    // The registry cannot be redirected into the test folder.
    if (backend == Backend::Native)
        return false;
#endif
    return store.init(StoreName, backend, backend == Backend::IniFile ? iniPath() : QString());
}

std::unique_ptr<QSettings> TestSettingsStore::raw(Backend backend) const
{
    if (backend == Backend::IniFile)
        return std::make_unique<QSettings>(iniPath(), QSettings::IniFormat);
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, StoreName);
}

QString TestSettingsStore::nativePath() const
{
    return raw(Backend::Native)->fileName();
}

QStringList TestSettingsStore::filesUnderDir() const
{
    QStringList files;
    QDirIterator it(m_dir->path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << it.next();
    return files;
}

#ifdef Q_OS_WIN
#  define SKIP_UNLESS_ISOLATED(backend)                                                     \
      if ((backend) == Backend::Native)                                                     \
          QSKIP("the registry cannot be redirected into a test folder")
#else
#  define SKIP_UNLESS_ISOLATED(backend) Q_UNUSED(backend)
#endif

void TestSettingsStore::firstRunPreserved_data()
{
    // Values for HPATH, sponsorit, uploadaccount, uploadname at exit.
    QTest::addColumn<QStringList>("atExit");
    QTest::newRow("all blank") << QStringList{{}, {}, {}, {}};
    QTest::newRow("all set") << QStringList{QStringLiteral("C:\\PROGRA~1\\"), QStringLiteral("Y"),
                                            QStringLiteral("acct-7"), QStringLiteral("jdoe")};
    QTest::newRow("path and sponsor only")
        << QStringList{QStringLiteral("C:\\TAVIMO~1"), QStringLiteral("Y"), {}, {}};
    QTest::newRow("upload only")
        << QStringList{{}, {}, QStringLiteral("acct"), QStringLiteral("name")};
}

void TestSettingsStore::firstRunPreserved()
{
    QFETCH(QStringList, atExit);
    SKIP_UNLESS_ISOLATED(Backend::Native);

    {
        SettingsStore store;
        QVERIFY(store.init(StoreName, Backend::Native));
        for (const QString &key : PreservedKeys) {
            QCOMPARE(store.read(Preserved, key), QString());
            QCOMPARE(store.read(Preserved, key, QStringLiteral("dflt")), QStringLiteral("dflt"));
        }
        for (int i = 0; i < PreservedKeys.size(); ++i)
            store.write(Preserved, PreservedKeys[i], atExit[i]);
        store.kill();
    }

    QStringList expectedKeys;
    for (int i = 0; i < PreservedKeys.size(); ++i) {
        if (!atExit[i].isEmpty())
            expectedKeys << PreservedKeys[i];
    }

    // Blank values must be absent, not stored as empty strings.
    QSettings direct(QSettings::NativeFormat, QSettings::UserScope, StoreName);
    direct.beginGroup(Preserved);
    QCOMPARE(sorted(direct.childKeys()), sorted(expectedKeys));
    for (const QString &key : expectedKeys)
        QCOMPARE(direct.value(key).toString(), atExit[PreservedKeys.indexOf(key)]);
    direct.endGroup();

    SettingsStore second;
    QVERIFY(second.init(StoreName, Backend::Native));
    for (int i = 0; i < PreservedKeys.size(); ++i)
        QCOMPARE(second.read(Preserved, PreservedKeys[i]), atExit[i]);
    QCOMPARE(second.sectors().contains(Preserved), !expectedKeys.isEmpty());
}

void TestSettingsStore::emptyWriteDeletesKey_data()
{
    addBackendRows();
}

void TestSettingsStore::emptyWriteDeletesKey()
{
    QFETCH(Backend, backend);
    SKIP_UNLESS_ISOLATED(backend);

    {
        SettingsStore store;
        QVERIFY(openStore(store, backend));
        store.write(Preserved, QStringLiteral("HPATH"), QStringLiteral("C:\\old"));
        store.write(Preserved, QStringLiteral("uploadname"), QStringLiteral("kept"));
    }

    SettingsStore store;
    QVERIFY(openStore(store, backend));
    QCOMPARE(store.read(Preserved, QStringLiteral("HPATH")), QStringLiteral("C:\\old"));
    store.write(Preserved, QStringLiteral("HPATH"), QString());

    // The deletion reaches the back end at once, before any kill.
    {
        const auto direct = raw(backend);
        QVERIFY(!direct->contains(Preserved + QStringLiteral("/HPATH")));
        QCOMPARE(direct->value(Preserved + QStringLiteral("/uploadname")).toString(),
                 QStringLiteral("kept"));
    }
    QCOMPARE(store.read(Preserved, QStringLiteral("HPATH"), QStringLiteral("dflt")),
             QStringLiteral("dflt"));
    QCOMPARE(store.read(Preserved, QStringLiteral("uploadname")), QStringLiteral("kept"));

    // Deleting a key that was never there is harmless.
    store.write(Preserved, QStringLiteral("never"), QString());
    store.kill();
    QVERIFY(!raw(backend)->contains(Preserved + QStringLiteral("/never")));
}

void TestSettingsStore::valuesRoundTripAsText_data()
{
    addBackendColumn();
    QTest::addColumn<QString>("value");

    const QList<std::pair<const char *, QString>> values = {
        {"plain", QStringLiteral("Y")},
        {"windows path", QStringLiteral("C:\\Tavimo\\Uploads\\")},
        {"commas", QStringLiteral("a, b,c")},
        {"ini syntax", QStringLiteral("[x];y=z #w")},
        {"outer spaces", QStringLiteral("  padded  ")},
        {"quotes", QStringLiteral("say \"hi\"")},
        {"non-latin", QStringLiteral("Zo\u00eb \u2013 \u6771\u4eac")},
        {"line break", QStringLiteral("two\nlines")},
        {"number-like", QStringLiteral("007")},
        {"at sign", QStringLiteral("@Variant(x)")},
    };
    for (auto backend : {Backend::IniFile, Backend::Native}) {
        const char *prefix = backend == Backend::IniFile ? "ini" : "native";
        for (const auto &[name, value] : values)
            QTest::addRow("%s: %s", prefix, name) << backend << value;
    }
}

void TestSettingsStore::valuesRoundTripAsText()
{
    QFETCH(Backend, backend);
    QFETCH(QString, value);
    SKIP_UNLESS_ISOLATED(backend);

    {
        SettingsStore store;
        QVERIFY(openStore(store, backend));
        store.write(QStringLiteral("Report Preview"), QStringLiteral("Value"), value);
        QCOMPARE(store.read(QStringLiteral("Report Preview"), QStringLiteral("Value")), value);
    }

    const QVariant stored = raw(backend)->value(QStringLiteral("Report Preview/Value"));
    QCOMPARE(stored.typeId(), int(QMetaType::QString));
    QCOMPARE(stored.toString(), value);

    SettingsStore reopened;
    QVERIFY(openStore(reopened, backend));
    QCOMPARE(reopened.read(QStringLiteral("Report Preview"), QStringLiteral("Value")), value);
}

void TestSettingsStore::storedTextReadsBack_data()
{
    // A line of [Preserved] as someone may have left it in the file.
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("expected");

    QTest::newRow("empty value") << QByteArray("HPATH=") << QStringLiteral("dflt");
    QTest::newRow("empty quotes") << QByteArray("HPATH=\"\"") << QStringLiteral("dflt");
    QTest::newRow("only spaces") << QByteArray("HPATH=   ") << QStringLiteral("dflt");
    QTest::newRow("key missing") << QByteArray("other=x") << QStringLiteral("dflt");
    QTest::newRow("plain") << QByteArray("HPATH=Y") << QStringLiteral("Y");
    QTest::newRow("number") << QByteArray("HPATH=42") << QStringLiteral("42");
    QTest::newRow("unquoted commas") << QByteArray("HPATH=a,b") << QStringLiteral("a,b");
    QTest::newRow("quoted spaces") << QByteArray("HPATH=\"  x  \"") << QStringLiteral("  x  ");
}

void TestSettingsStore::storedTextReadsBack()
{
    QFETCH(QByteArray, line);
    QFETCH(QString, expected);

    QFile file(iniPath());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[Preserved]\n" + line + "\n");
    file.close();

    SettingsStore store;
    QVERIFY(openStore(store, Backend::IniFile));
    QCOMPARE(store.read(Preserved, QStringLiteral("HPATH"), QStringLiteral("dflt")), expected);
}

void TestSettingsStore::noneBackendKeepsNothing()
{
    SKIP_UNLESS_ISOLATED(Backend::Native);

    SettingsStore store;
    QVERIFY(store.init(StoreName, Backend::None, iniPath()));
    QVERIFY(store.isOpen());
    QCOMPARE(store.backend(), Backend::None);
    store.write(Preserved, QStringLiteral("HPATH"), QStringLiteral("C:\\x"));
    QCOMPARE(store.read(Preserved, QStringLiteral("HPATH")), QString());
    QCOMPARE(store.read(Preserved, QStringLiteral("HPATH"), QStringLiteral("dflt")),
             QStringLiteral("dflt"));
    QVERIFY(store.sectors().isEmpty());
    store.kill();
    QCOMPARE(filesUnderDir(), QStringList());

    // Values kept by another back end are not seen either, and stay as they were.
    {
        SettingsStore native;
        QVERIFY(native.init(StoreName, Backend::Native));
        native.write(Preserved, QStringLiteral("HPATH"), QStringLiteral("C:\\kept"));
    }
    QFile file(nativePath());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();

    SettingsStore none;
    QVERIFY(none.init(StoreName, Backend::None));
    QCOMPARE(none.read(Preserved, QStringLiteral("HPATH")), QString());
    none.write(Preserved, QStringLiteral("HPATH"), QString());
    none.write(Preserved, QStringLiteral("sponsorit"), QStringLiteral("Y"));
    none.kill();

    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), before);
}

void TestSettingsStore::iniBackendUsesGivenPath_data()
{
    QTest::addColumn<QString>("storeName");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("expectedFile");

    QTest::newRow("path given") << StoreName << QStringLiteral("sub/dir/tavimo.ini")
                                << QStringLiteral("sub/dir/tavimo.ini");
    QTest::newRow("name is the path") << QStringLiteral("named.ini") << QString()
                                      << QStringLiteral("named.ini");
}

void TestSettingsStore::iniBackendUsesGivenPath()
{
    QFETCH(QString, storeName);
    QFETCH(QString, path);
    QFETCH(QString, expectedFile);

    // Without a path the store name itself names the file.
    const QString name = path.isEmpty() ? m_dir->filePath(storeName) : storeName;
    const QString fullPath = path.isEmpty() ? QString() : m_dir->filePath(path);
    const QString file = m_dir->filePath(expectedFile);

    {
        SettingsStore store;
        QVERIFY(store.init(name, Backend::IniFile, fullPath));
        store.write(Preserved, QStringLiteral("uploadaccount"), QStringLiteral("acct"));
    }

    QCOMPARE(filesUnderDir(), QStringList{file});
    QSettings direct(file, QSettings::IniFormat);
    QCOMPARE(direct.value(Preserved + QStringLiteral("/uploadaccount")).toString(),
             QStringLiteral("acct"));
    QCOMPARE(direct.value(BookSection + QLatin1Char('/') + BookKey).toString(), Preserved);
}

void TestSettingsStore::initFailureLeavesStoreClosed_data()
{
    QTest::addColumn<QString>("storeName");
    QTest::addColumn<Backend>("backend");
    QTest::addColumn<QString>("path");

    QTest::newRow("ini without name or path") << QString() << Backend::IniFile << QString();
    QTest::newRow("native without name") << QString() << Backend::Native << QString();
    QTest::newRow("unknown back end") << StoreName << Backend(7) << QString();
    QTest::newRow("ini path is a folder")
        << StoreName << Backend::IniFile << QStringLiteral("folder.ini");
}

void TestSettingsStore::initFailureLeavesStoreClosed()
{
    QFETCH(QString, storeName);
    QFETCH(Backend, backend);
    QFETCH(QString, path);

    QString fullPath;
    if (!path.isEmpty()) {
        fullPath = m_dir->filePath(path);
        QVERIFY(QDir().mkpath(fullPath));
    }

    SettingsStore store;
    QVERIFY(!store.init(storeName, backend, fullPath));
    QVERIFY(!store.isOpen());
    store.write(Preserved, QStringLiteral("HPATH"), QStringLiteral("x"));
    QCOMPARE(store.read(Preserved, QStringLiteral("HPATH"), QStringLiteral("dflt")),
             QStringLiteral("dflt"));
    store.kill();
    QCOMPARE(filesUnderDir(), QStringList());
}

void TestSettingsStore::sectorsSurviveReopen_data()
{
    addBackendRows();
}

void TestSettingsStore::sectorsSurviveReopen()
{
    QFETCH(Backend, backend);
    SKIP_UNLESS_ISOLATED(backend);

    {
        SettingsStore store;
        QVERIFY(openStore(store, backend));
        QVERIFY(store.sectors().isEmpty());
        store.write(QStringLiteral("A"), QStringLiteral("x"), QStringLiteral("1"));
        store.write(QStringLiteral("B"), QStringLiteral("y"), QStringLiteral("2"));
        store.write(QStringLiteral("A"), QStringLiteral("z"), QStringLiteral("3"));
        // Deleting is not writing a value: the section is not listed.
        store.write(QStringLiteral("Gone"), QStringLiteral("k"), QString());
        QCOMPARE(store.sectors(), (QStringList{QStringLiteral("A"), QStringLiteral("B")}));
        // The list is written back at kill, not before.
        QVERIFY(!raw(backend)->contains(BookSection + QLatin1Char('/') + BookKey));
        store.kill();
    }
    QVERIFY(raw(backend)->contains(BookSection + QLatin1Char('/') + BookKey));

    {
        SettingsStore store;
        QVERIFY(openStore(store, backend));
        QCOMPARE(store.sectors(), (QStringList{QStringLiteral("A"), QStringLiteral("B")}));
        store.write(QStringLiteral("B"), QStringLiteral("y"), QStringLiteral("again"));
        store.write(QStringLiteral("C"), QStringLiteral("w"), QStringLiteral("4"));
    }

    SettingsStore store;
    QVERIFY(openStore(store, backend));
    QCOMPARE(store.sectors(),
             (QStringList{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")}));
}

void TestSettingsStore::bookkeepingKeyBelongsToStore()
{
    {
        SettingsStore store;
        QVERIFY(openStore(store, Backend::IniFile));
        store.write(QStringLiteral("A"), QStringLiteral("x"), QStringLiteral("1"));
        store.write(BookSection, BookKey, QStringLiteral("junk;more"));
        store.write(BookSection, QStringLiteral("mine"), QStringLiteral("v"));
        QCOMPARE(store.read(BookSection, BookKey, QStringLiteral("dflt")), QStringLiteral("dflt"));
        QCOMPARE(store.read(BookSection, QStringLiteral("mine")), QStringLiteral("v"));
    }

    SettingsStore store;
    QVERIFY(openStore(store, Backend::IniFile));
    QCOMPARE(store.sectors(), (QStringList{QStringLiteral("A"), BookSection}));
    QCOMPARE(store.read(BookSection, QStringLiteral("mine")), QStringLiteral("v"));
    QCOMPARE(store.read(BookSection, BookKey), QString());
    // Nor may a caller delete it.
    store.write(BookSection, BookKey, QString());
    store.kill();
    QVERIFY(raw(Backend::IniFile)->contains(BookSection + QLatin1Char('/') + BookKey));
}

void TestSettingsStore::unchangedBookkeepingIsNotRewritten()
{
    const QString bookPath = BookSection + QLatin1Char('/') + BookKey;
    {
        SettingsStore store;
        QVERIFY(openStore(store, Backend::IniFile));
        store.write(QStringLiteral("A"), QStringLiteral("x"), QStringLiteral("1"));
    }

    QFile file(iniPath());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();

    // A session that only reads, or writes to listed sections, leaves the
    // list as it finds it, even when it was changed behind the store's back.
    SettingsStore store;
    QVERIFY(openStore(store, Backend::IniFile));
    QCOMPARE(store.read(QStringLiteral("A"), QStringLiteral("x")), QStringLiteral("1"));
    store.kill();
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), before);
    file.close();

    QVERIFY(openStore(store, Backend::IniFile));
    raw(Backend::IniFile)->setValue(bookPath, QStringLiteral("A;Elsewhere"));
    store.write(QStringLiteral("A"), QStringLiteral("x"), QStringLiteral("2"));
    store.kill();
    QCOMPARE(raw(Backend::IniFile)->value(bookPath).toString(), QStringLiteral("A;Elsewhere"));

    // A store that only reads on a first run creates no file at all.
    SKIP_UNLESS_ISOLATED(Backend::Native);
    SettingsStore native;
    QVERIFY(native.init(StoreName, Backend::Native));
    for (const QString &key : PreservedKeys)
        QCOMPARE(native.read(Preserved, key), QString());
    native.kill();
    QVERIFY(!QFile::exists(nativePath()));
}

void TestSettingsStore::killAndDestructor()
{
    const QString bookPath = BookSection + QLatin1Char('/') + BookKey;

    // The destructor kills: the bookkeeping is written.
    {
        SettingsStore store;
        QVERIFY(openStore(store, Backend::IniFile));
        store.write(QStringLiteral("A"), QStringLiteral("x"), QStringLiteral("1"));
    }
    QCOMPARE(raw(Backend::IniFile)->value(bookPath).toString(), QStringLiteral("A"));

    // A second init kills the first session before opening again.
    SettingsStore store;
    QVERIFY(openStore(store, Backend::IniFile));
    store.write(QStringLiteral("B"), QStringLiteral("y"), QStringLiteral("2"));
    QVERIFY(openStore(store, Backend::IniFile));
    QCOMPARE(store.sectors(), (QStringList{QStringLiteral("A"), QStringLiteral("B")}));

    // After kill the store is closed; killing again is harmless.
    store.kill();
    store.kill();
    QVERIFY(!store.isOpen());
    QCOMPARE(store.read(QStringLiteral("A"), QStringLiteral("x"), QStringLiteral("dflt")),
             QStringLiteral("dflt"));
    store.write(QStringLiteral("A"), QStringLiteral("late"), QStringLiteral("lost"));
    store.write(QStringLiteral("A"), QStringLiteral("x"), QString());
    QVERIFY(!raw(Backend::IniFile)->contains(QStringLiteral("A/late")));
    QCOMPARE(raw(Backend::IniFile)->value(QStringLiteral("A/x")).toString(), QStringLiteral("1"));
}

void TestSettingsStore::concurrentWritesKeepEveryValue_data()
{
    addBackendRows();
}

void TestSettingsStore::concurrentWritesKeepEveryValue()
{
    QFETCH(Backend, backend);
    SKIP_UNLESS_ISOLATED(backend);

    // Each thread writes into a new section per key, so the section list is
    // extended from every thread at once, and all share one section as well.
    constexpr int Threads = 6;
    constexpr int KeysPerThread = 40;
    const auto ownSection = [](int t, int k) { return QStringLiteral("T%1-%2").arg(t).arg(k); };
    const auto ownValue = [](int t, int k) { return QStringLiteral("own %1.%2").arg(t).arg(k); };
    const auto sharedKey = [](int t, int k) { return QStringLiteral("t%1k%2").arg(t).arg(k); };
    const auto sharedValue = [](int t, int k) { return QStringLiteral("shared %1.%2").arg(t).arg(k); };
    const QString value = QStringLiteral("value");
    const QString shared = QStringLiteral("Shared");

    SettingsStore store;
    QVERIFY(openStore(store, backend));

    QAtomicInt misreads = 0;
    std::vector<std::unique_ptr<QThread>> threads;
    for (int t = 0; t < Threads; ++t) {
        threads.emplace_back(QThread::create([&, t] {
            for (int k = 0; k < KeysPerThread; ++k) {
                store.write(ownSection(t, k), value, ownValue(t, k));
                store.write(shared, sharedKey(t, k), sharedValue(t, k));
                if (store.read(ownSection(t, k), value) != ownValue(t, k))
                    misreads.fetchAndAddRelaxed(1);
            }
        }));
    }
    for (auto &thread : threads)
        thread->start();

    // Keep this thread's event loop turning meanwhile, as the program's does.
    QDeadlineTimer deadline(120'000);
    for (auto &thread : threads) {
        while (!thread->wait(10)) {
            QCoreApplication::processEvents();
            QVERIFY2(!deadline.hasExpired(), "writer threads did not finish");
        }
    }
    QCOMPARE(misreads.loadRelaxed(), 0);
    QCOMPARE(store.sectors().size(), Threads * KeysPerThread + 1);
    store.kill();

    SettingsStore reopened;
    QVERIFY(openStore(reopened, backend));
    QStringList expectedSectors{shared};
    for (int t = 0; t < Threads; ++t) {
        for (int k = 0; k < KeysPerThread; ++k) {
            expectedSectors << ownSection(t, k);
            QCOMPARE(reopened.read(ownSection(t, k), value), ownValue(t, k));
            QCOMPARE(reopened.read(shared, sharedKey(t, k)), sharedValue(t, k));
        }
    }
    QCOMPARE(sorted(reopened.sectors()), sorted(expectedSectors));
}

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "tst_settingsstore.moc"
