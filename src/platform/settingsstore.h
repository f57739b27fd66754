#pragma once

#include <QMutex>
#include <QString>
#include <QStringList>

#include <memory>

class QSettings;

namespace tavimo {

// Name/section/key/value settings kept between runs. One store is shared by
// the whole program (the shell and framework objects such as the report
// preview keep their settings in it), so every access takes the store's lock.
//
// Failures are never reported: anything that cannot be read reads as the
// caller's default, and a write that cannot be done is dropped.
class SettingsStore
{
public:
    enum class Backend {
        IniFile = 0, // an INI file at the given path (the store name when none)
        Native = 1,  // the system store: the registry on Windows, a user config file elsewhere
        None = 2,    // nothing kept: reads give the default, writes are dropped
    };

    // The store's own list of the sections it has written to.
    static constexpr const char *BookkeepingSection = "Sectors";
    static constexpr const char *BookkeepingKey = "__Dont_Touch_Me__";

    SettingsStore();
    ~SettingsStore(); // kills the store when still open
    SettingsStore(const SettingsStore &) = delete;
    SettingsStore &operator=(const SettingsStore &) = delete;

    // Opens the store and loads its bookkeeping. An open store is killed
    // first. Returns false (and stays closed) when the back end cannot be
    // used: no name, or a file that cannot be read.
    bool init(const QString &storeName, Backend backend, const QString &iniPath = {});

    // The stored text, or defaultValue when it is missing, empty, unreadable
    // or the store is closed.
    QString read(const QString &section, const QString &key,
                 const QString &defaultValue = {}) const;

    // Stores value as text; an empty value deletes the key instead. Each
    // write reaches the back end before it returns.
    void write(const QString &section, const QString &key, const QString &value);

    // Writes the bookkeeping back when it changed and closes the store.
    // Calling it on a closed store does nothing.
    void kill();

    bool isOpen() const;
    Backend backend() const;
    QStringList sectors() const; // sections written to, this run and earlier ones

private:
    std::unique_ptr<QSettings> openBackend() const; // null for None or closed
    void loadSectors(QSettings &settings);

    mutable QMutex m_mutex;
    bool m_open = false;
    Backend m_backend = Backend::None;
    QString m_storeName;
    QString m_iniPath;
    QStringList m_sectors;
    bool m_sectorsChanged = false;
};

} // namespace tavimo
