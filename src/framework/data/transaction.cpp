#include "transaction.h"

#include "driverstatus.h"
#include "storagesession.h"

namespace tavimo {

Transaction::~Transaction()
{
    // Never throws: the rollback's answer has nowhere to go from here, and
    // the driver ends the transaction even when the engine complains.
    if (m_active)
        rollback();
}

int Transaction::begin(int timeoutSeconds, const std::vector<StoredTable *> &tables)
{
    if (m_active)
        return DriverCode::TransactionActive;
    const int code = m_session.logout(timeoutSeconds, tables);
    m_active = code == DriverCode::Ok;
    return code;
}

int Transaction::beginWaiting(int timeoutMs, const std::vector<StoredTable *> &tables)
{
    if (m_active)
        return DriverCode::TransactionActive;
    const int code = m_session.logoutWaiting(timeoutMs, tables);
    m_active = code == DriverCode::Ok;
    return code;
}

int Transaction::commit()
{
    if (!m_active)
        return DriverCode::Ok;
    m_active = false;
    return m_session.commit();
}

int Transaction::rollback()
{
    if (!m_active)
        return DriverCode::Ok;
    m_active = false;
    return m_session.rollback();
}

} // namespace tavimo
