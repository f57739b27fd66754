#include "folderbackup.h"

#include "backupfolders.h"
#include "checkdata.h"
#include "folderlock.h"
#include "onlinebackup.h"
#include "ownerkey.h"
#include "storagesession.h"
#include "tables.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

#include <algorithm>
#include <vector>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace tavimo::folderbackup {

namespace {

constexpr int Done = 0;
constexpr int Failed = 1;
constexpr int NotABackup = 2;

const char kNoteHeading[] = "Tavimo backup";

constexpr QFileDevice::Permissions kOwnerFile = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
constexpr QFileDevice::Permissions kOwnerFolder = kOwnerFile | QFileDevice::ExeOwner;

struct DataFile
{
    QString name; // in the folder
    QByteArray key;
};

// Every file the program's tables live in, once each, with its key.
const std::vector<DataFile> &programFiles()
{
    static const std::vector<DataFile> files = [] {
        std::vector<DataFile> out;
        StorageSession names(QStringLiteral("/"));
        for (const TableLayout *layout : tables::all()) {
            const QString name = QFileInfo(names.pathOf(*layout)).fileName();
            if (std::none_of(out.begin(), out.end(), [&](const DataFile &f) { return f.name == name; }))
                out.push_back(DataFile{name, layout->hasPassword() ? rawCipherKey(tables::ownerPassword()) : QByteArray()});
        }
        return out;
    }();
    return files;
}

bool isProgramFile(const QString &name)
{
    const std::vector<DataFile> &files = programFiles();
    return std::any_of(files.begin(), files.end(), [&](const DataFile &f) { return f.name == name; });
}

QString kindText(Kind kind)
{
    switch (kind) {
    case Kind::ByHand: return QStringLiteral("by hand");
    case Kind::Automatic: return QStringLiteral("automatically at exit");
    case Kind::BeforeRestore: return QStringLiteral("before a restore replaced it");
    }
    return QString();
}

QString suffixOf(Kind kind)
{
    switch (kind) {
    case Kind::ByHand: return QString();
    case Kind::Automatic: return QString::fromLatin1(backupfolders::Automatic);
    case Kind::BeforeRestore: return QString::fromLatin1(backupfolders::BeforeRestore);
    }
    return QString();
}

// What is written must be on the disk before the folder that names it is.
void syncPath(const QString &path)
{
#ifdef Q_OS_UNIX
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
#else
    Q_UNUSED(path);
#endif
}

bool writeNote(const QString &folder, const QString &from, Kind kind, const QDateTime &when,
               const QStringList &files, const QString &check)
{
    QFile note(QDir(folder).filePath(QLatin1String(NoteName)));
    if (!note.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return false;
    note.setPermissions(kOwnerFile);
    QTextStream out(&note);
    out << kNoteHeading << '\n'
        << "made: " << when.toString(Qt::ISODate) << '\n'
        << "from: " << from << '\n'
        << "kind: " << kindText(kind) << '\n'
        << "files: " << files.join(QLatin1Char(' ')) << '\n'
        << "check: " << check << '\n';
    out.flush();
    note.close();
    syncPath(note.fileName());
    return note.error() == QFileDevice::NoError;
}

// A file copied byte for byte, owner-only from the start and on the disk
// before the copy is used.
bool copyFile(const QString &from, const QString &to, QString &problem)
{
    QFile source(from);
    QFile target(to);
    if (!source.open(QIODevice::ReadOnly)) {
        problem = QStringLiteral("%1 cannot be read: %2").arg(from, source.errorString());
        return false;
    }
    if (!target.open(QIODevice::WriteOnly | QIODevice::NewOnly) || !target.setPermissions(kOwnerFile)) {
        problem = QStringLiteral("%1 cannot be made: %2").arg(to, target.errorString());
        return false;
    }
    QByteArray block;
    while (!(block = source.read(1 << 20)).isEmpty()) {
        if (target.write(block) != block.size()) {
            problem = QStringLiteral("%1 cannot be written: %2").arg(to, target.errorString());
            return false;
        }
    }
    if (source.error() != QFileDevice::NoError) {
        problem = QStringLiteral("%1 cannot be read: %2").arg(from, source.errorString());
        return false;
    }
    target.flush();
#ifdef Q_OS_UNIX
    ::fsync(target.handle());
#endif
    target.close();
    return true;
}

QString firstLine(const QString &text)
{
    return text.section(QLatin1Char('\n'), 0, 0, QString::SectionSkipEmpty);
}

// The files of a data folder kept as they lie, when the engine cannot read
// them (they may be why a backup is being restored). Nobody writes to them
// meanwhile: the caller holds the folder alone.
Outcome keepAsTheyAre(const QString &dataFolder, const QString &parent, const QDateTime &when, const QString &why)
{
    QString problem;
    const QString partial = backupfolders::makePartial(parent, suffixOf(Kind::BeforeRestore), problem, when);
    if (partial.isEmpty())
        return Outcome{Failed, QString(), problem};
    QStringList names;
    for (const QString &path : dataFilesIn(dataFolder)) {
        for (const QString &file : {path, path + QLatin1String("-journal")}) {
            if (!QFileInfo::exists(file))
                continue;
            const QString name = QFileInfo(file).fileName();
            if (!copyFile(file, QDir(partial).filePath(name), problem)) {
                QDir(partial).removeRecursively();
                return Outcome{Failed, QString(), problem};
            }
            names << name;
        }
    }
    if (!writeNote(partial, dataFolder, Kind::BeforeRestore, when, names,
                   QStringLiteral("not checked: copied byte for byte, since %1").arg(why))) {
        QDir(partial).removeRecursively();
        return Outcome{Failed, QString(), QStringLiteral("the note of %1 cannot be written").arg(partial)};
    }
    const QString folder = backupfolders::complete(partial, problem);
    if (folder.isEmpty())
        return Outcome{Failed, QString(), problem};
    syncPath(parent);
    return Outcome{Done, folder, QString()};
}

// Swaps the two folders' places in one step where the system can; else
// the old goes aside first. Returns where the old folder is now.
QString swapInto(const QString &staged, const QString &dataFolder, QString &problem)
{
    if (!QFileInfo::exists(dataFolder)) {
        if (QDir().rename(staged, dataFolder))
            return QString();
        problem = QStringLiteral("%1 cannot be renamed %2").arg(staged, dataFolder);
        return QString();
    }
#ifdef Q_OS_LINUX
    if (::renameat2(AT_FDCWD, QFile::encodeName(staged).constData(), AT_FDCWD,
                    QFile::encodeName(dataFolder).constData(), RENAME_EXCHANGE) == 0)
        return staged;
    if (errno != EINVAL && errno != ENOSYS) {
        problem = QStringLiteral("%1 cannot take the place of %2: %3")
                      .arg(staged, dataFolder, QString::fromLocal8Bit(std::strerror(errno)));
        return QString();
    }
#endif
    const QString aside = staged + QLatin1String("-old");
    if (!QDir().rename(dataFolder, aside)) {
        problem = QStringLiteral("%1 cannot be moved aside").arg(dataFolder);
        return QString();
    }
    if (!QDir().rename(staged, dataFolder)) {
        QDir().rename(aside, dataFolder);
        problem = QStringLiteral("%1 cannot be renamed %2").arg(staged, dataFolder);
        return QString();
    }
    return aside;
}

struct Automatic
{
    QDateTime made;
    QString name;
    QString path;
};

// The complete automatic backups under parent, newest first.
std::vector<Automatic> automaticBackups(const QString &parent)
{
    std::vector<Automatic> out;
    const QDir dir(parent);
    for (const QString &name : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks)) {
        QString suffix;
        const QDateTime made = backupfolders::stampOf(name, &suffix);
        if (made.isValid() && suffix == QLatin1String(backupfolders::Automatic) && isBackup(dir.filePath(name)))
            out.push_back(Automatic{made, name, dir.filePath(name)});
    }
    std::sort(out.begin(), out.end(), [](const Automatic &a, const Automatic &b) {
        return a.made != b.made ? a.made > b.made : a.name > b.name;
    });
    return out;
}

} // namespace

QStringList dataFilesIn(const QString &folder)
{
    QStringList out;
    const QDir dir(folder);
    for (const DataFile &f : programFiles())
        if (QFileInfo(dir.filePath(f.name)).isFile())
            out << dir.filePath(f.name);
    return out;
}

bool isBackup(const QString &folder)
{
    QFile note(QDir(folder).filePath(QLatin1String(NoteName)));
    if (!note.open(QIODevice::ReadOnly))
        return false;
    return note.readLine().trimmed() == kNoteHeading;
}

Outcome backUp(const QString &dataFolder, const QString &parent, Kind kind, const QDateTime &when)
{
    const QString data = QDir::cleanPath(QDir(dataFolder).absolutePath());
    if (!QFileInfo(data).isDir())
        return Outcome{Failed, QString(),
                       QStringLiteral("the data folder %1 does not exist: there is nothing to back up").arg(data)};
    const QStringList files = dataFilesIn(data);
    if (files.isEmpty())
        return Outcome{Failed, QString(),
                       QStringLiteral("the data folder %1 holds no data files: there is nothing to back up").arg(data)};

    QString problem;
    const QString partial = backupfolders::makePartial(parent, suffixOf(kind), problem, when);
    if (partial.isEmpty())
        return Outcome{Failed, QString(), problem};
    std::vector<DataFileCopy> copies;
    QStringList names;
    for (const QString &path : files) {
        const QString name = QFileInfo(path).fileName();
        const auto &all = programFiles();
        const auto it = std::find_if(all.begin(), all.end(), [&](const DataFile &f) { return f.name == name; });
        copies.push_back(DataFileCopy{path, QDir(partial).filePath(name), it->key});
        names << name;
    }
    const DriverStatus copied = copyDataFiles(copies);
    if (!copied.ok()) {
        QDir(partial).removeRecursively();
        return Outcome{Failed, QString(),
                       QStringLiteral("the data files cannot be copied: %1")
                           .arg(copied.fileError.isEmpty() ? copied.text : copied.fileError)};
    }

    QString out;
    QString err;
    QTextStream o(&out);
    QTextStream e(&err);
    const bool passed = checkFolder(partial, CheckMode::AsItIs, o, e) == 0;
    // The check names the files where it found them, not where they stay.
    const QString why = firstLine(err).replace(partial, backupfolders::completedPath(partial));
    if (!writeNote(partial, data, kind, when, names,
                   passed ? QStringLiteral("passed") : QStringLiteral("failed: ") + why)) {
        QDir(partial).removeRecursively();
        return Outcome{Failed, QString(), QStringLiteral("the note of %1 cannot be written").arg(partial)};
    }
    const QString folder = backupfolders::complete(partial, problem);
    if (folder.isEmpty())
        return Outcome{Failed, QString(), problem};
    syncPath(parent);
    if (!passed)
        return Outcome{Failed, folder,
                       QStringLiteral("the copy in %1 fails the data check: %2").arg(folder, why)};
    return Outcome{Done, folder, QString()};
}

Outcome restore(const QString &backupFolder, const QString &dataFolder)
{
    const QString backup = QDir::cleanPath(QDir(backupFolder).absolutePath());
    const QString data = QDir::cleanPath(QDir(dataFolder).absolutePath());
    if (!QFileInfo(backup).isDir())
        return Outcome{NotABackup, QString(), QStringLiteral("%1 is not a folder").arg(backup)};
    if (!isBackup(backup))
        return Outcome{NotABackup, QString(),
                       QStringLiteral("%1 is not a Tavimo backup: it has no %2").arg(backup, QLatin1String(NoteName))};
    if (backup == data || backup.startsWith(data + QLatin1Char('/')))
        return Outcome{NotABackup, QString(),
                       QStringLiteral("%1 lies in the data folder %2, which it would replace").arg(backup, data)};
    {
        QString out;
        QString err;
        QTextStream o(&out);
        QTextStream e(&err);
        if (checkFolder(backup, CheckMode::AsItIs, o, e) != 0)
            return Outcome{Failed, QString(),
                           QStringLiteral("the backup %1 fails the data check: %2").arg(backup, firstLine(err))};
    }

    const QFileInfo dataInfo(data);
    if (dataInfo.exists() && !dataInfo.isDir())
        return Outcome{NotABackup, QString(), QStringLiteral("the data folder %1 is not a folder").arg(data)};
    // Held alone, without waiting: any running Tavimo holds it shared.
    FolderLock lock(data);
    if (dataInfo.exists() && !lock.tryLock(FolderLock::Mode::Exclusive)) {
        if (lock.failure() == FolderLock::Failure::Held)
            return Outcome{Failed, QString(),
                           QStringLiteral("the data folder %1 is in use by a running Tavimo: close it and try again")
                               .arg(data)};
        return Outcome{Failed, QString(), lock.problem()};
    }

    const QDateTime now = QDateTime::currentDateTime();
    const QString backups = backupfolders::defaultParent(data);
    QString kept;
    if (dataInfo.exists() && !dataFilesIn(data).isEmpty()) {
        Outcome o = backUp(data, backups, Kind::BeforeRestore, now);
        if (o.folder.isEmpty())
            o = keepAsTheyAre(data, backups, now, o.problem);
        if (o.folder.isEmpty())
            return Outcome{Failed, QString(), QStringLiteral("the current data cannot be kept first: %1").arg(o.problem)};
        kept = o.folder;
    }

    QString problem;
    const QString parent = dataInfo.absolutePath();
    if (!backupfolders::makeOwnerOnlyPath(parent, problem))
        return Outcome{Failed, kept, problem};
    QString staged;
    for (int n = 1; staged.isEmpty() && n < 1000; ++n) {
        const QString path = QDir(parent).filePath(QStringLiteral(".%1-restoring-%2").arg(dataInfo.fileName()).arg(n));
        if (!QFileInfo::exists(path) && QDir().mkdir(path))
            staged = path;
    }
    if (staged.isEmpty() || !QFile::setPermissions(staged, kOwnerFolder))
        return Outcome{Failed, kept, QStringLiteral("no folder can be made beside %1").arg(data)};
    auto fail = [&](const QString &why) {
        QDir(staged).removeRecursively();
        return Outcome{Failed, kept, why};
    };
    for (const QString &path : dataFilesIn(backup))
        if (!copyFile(path, QDir(staged).filePath(QFileInfo(path).fileName()), problem))
            return fail(problem);
    if (dataInfo.exists()) {
        // Files of the folder that are not data go along; journals of the
        // replaced files must not, they would be played into the new ones.
        const QDir dir(data);
        for (const QString &name : dir.entryList(QDir::Files | QDir::Hidden | QDir::NoSymLinks)) {
            if (isProgramFile(name) || name.endsWith(QLatin1String("-journal")) || name.contains(QLatin1String("-mj"))
                || name == FolderLock::fileName() || name.startsWith(QLatin1String(".write-probe-")))
                continue;
            if (!copyFile(dir.filePath(name), QDir(staged).filePath(name), problem))
                return fail(problem);
        }
    }
    // The new folder is held too, so that a Tavimo starting meanwhile waits for the end.
    FolderLock stagedLock(staged);
    stagedLock.tryLock(FolderLock::Mode::Exclusive);
    syncPath(staged);

    const QString old = swapInto(staged, data, problem);
    if (!problem.isEmpty())
        return fail(problem);
    syncPath(parent);
    if (!old.isEmpty())
        QDir(old).removeRecursively();
    return Outcome{Done, kept, QString()};
}

Outcome backUpAtExit(const QString &dataFolder, const QDateTime &now, int keep)
{
    const QString parent = backupfolders::defaultParent(dataFolder);
    const std::vector<Automatic> before = automaticBackups(parent);
    if (std::any_of(before.begin(), before.end(), [&](const Automatic &a) { return a.made.date() == now.date(); }))
        return Outcome{Done, QString(), QString()};
    if (dataFilesIn(dataFolder).isEmpty())
        return Outcome{Done, QString(), QString()};
    const Outcome made = backUp(dataFolder, parent, Kind::Automatic, now);
    // Older ones go only once a new one is there.
    if (!made.folder.isEmpty()) {
        const std::vector<Automatic> all = automaticBackups(parent);
        for (std::size_t i = std::size_t(std::max(keep, 1)); i < all.size(); ++i)
            QDir(all[i].path).removeRecursively();
    }
    return made;
}

} // namespace tavimo::folderbackup
