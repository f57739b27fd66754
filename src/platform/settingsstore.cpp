#include "settingsstore.h"

#include <QMutexLocker>
#include <QSettings>
#include <QVariant>

namespace tavimo {

namespace {

const QChar SectorSeparator = QLatin1Char(';');

QString keyPath(const QString &section, const QString &key)
{
    return section.isEmpty() ? key : section + QLatin1Char('/') + key;
}

bool isBookkeeping(const QString &section, const QString &key)
{
    return section == QLatin1String(SettingsStore::BookkeepingSection)
        && key == QLatin1String(SettingsStore::BookkeepingKey);
}

// Values are stored as text, but a hand-edited INI line with commas comes
// back as a list, and the registry may hold numbers; give all of them as text.
QString textOf(const QVariant &value)
{
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(','));
    return value.toString();
}

} // namespace

SettingsStore::SettingsStore() = default;

SettingsStore::~SettingsStore()
{
    kill();
}

bool SettingsStore::init(const QString &storeName, Backend backend, const QString &iniPath)
{
    kill();

    QMutexLocker lock(&m_mutex);
    m_backend = backend;
    m_storeName = storeName;
    m_iniPath = iniPath.isEmpty() ? storeName : iniPath;
    m_sectors.clear();
    m_sectorsChanged = false;

    switch (backend) {
    case Backend::None:
        m_open = true;
        return true;
    case Backend::IniFile:
        if (m_iniPath.isEmpty())
            return false;
        break;
    case Backend::Native:
        if (m_storeName.isEmpty())
            return false;
        break;
    default:
        return false;
    }

    // Open for this check only: every access opens the back end afresh, so
    // no settings object outlives the lock or belongs to another thread.
    m_open = true;
    const std::unique_ptr<QSettings> settings = openBackend();
    if (!settings || settings->status() != QSettings::NoError) {
        m_open = false;
        return false;
    }
    loadSectors(*settings);
    return true;
}

QString SettingsStore::read(const QString &section, const QString &key,
                            const QString &defaultValue) const
{
    if (key.isEmpty() || isBookkeeping(section, key))
        return defaultValue;

    QMutexLocker lock(&m_mutex);
    const std::unique_ptr<QSettings> settings = openBackend();
    if (!settings || settings->status() != QSettings::NoError)
        return defaultValue;
    const QString value = textOf(settings->value(keyPath(section, key)));
    return value.isEmpty() ? defaultValue : value;
}

void SettingsStore::write(const QString &section, const QString &key, const QString &value)
{
    if (key.isEmpty() || isBookkeeping(section, key))
        return;

    QMutexLocker lock(&m_mutex);
    const std::unique_ptr<QSettings> settings = openBackend();
    // A file that failed to parse is left alone rather than overwritten.
    if (!settings || settings->status() != QSettings::NoError)
        return;

    if (value.isEmpty()) {
        settings->remove(keyPath(section, key));
    } else {
        settings->setValue(keyPath(section, key), value);
        // The list is one text joined by the separator, so a section name
        // holding it cannot be listed.
        if (!section.isEmpty() && !section.contains(SectorSeparator)
            && !m_sectors.contains(section)) {
            m_sectors.append(section);
            m_sectorsChanged = true;
        }
    }
    settings->sync();
}

void SettingsStore::kill()
{
    QMutexLocker lock(&m_mutex);
    if (!m_open)
        return;

    if (m_sectorsChanged) {
        const std::unique_ptr<QSettings> settings = openBackend();
        if (settings && settings->status() == QSettings::NoError) {
            settings->setValue(keyPath(QLatin1String(BookkeepingSection),
                                       QLatin1String(BookkeepingKey)),
                               m_sectors.join(SectorSeparator));
            settings->sync();
        }
    }

    m_open = false;
    m_sectors.clear();
    m_sectorsChanged = false;
}

bool SettingsStore::isOpen() const
{
    QMutexLocker lock(&m_mutex);
    return m_open;
}

SettingsStore::Backend SettingsStore::backend() const
{
    QMutexLocker lock(&m_mutex);
    return m_backend;
}

QStringList SettingsStore::sectors() const
{
    QMutexLocker lock(&m_mutex);
    return m_sectors;
}

std::unique_ptr<QSettings> SettingsStore::openBackend() const
{
    if (!m_open)
        return nullptr;
    switch (m_backend) {
    case Backend::IniFile:
        return std::make_unique<QSettings>(m_iniPath, QSettings::IniFormat);
    case Backend::Native:
        return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                           m_storeName);
    case Backend::None:
        break;
    }
    return nullptr;
}

void SettingsStore::loadSectors(QSettings &settings)
{
    const QString stored = textOf(settings.value(
        keyPath(QLatin1String(BookkeepingSection), QLatin1String(BookkeepingKey))));
    for (const QString &section : stored.split(SectorSeparator, Qt::SkipEmptyParts)) {
        if (!m_sectors.contains(section))
            m_sectors.append(section);
    }
}

} // namespace tavimo
