#include "driverstatus.h"

namespace tavimo {

QString driverCodeText(int code)
{
    switch (code) {
    case DriverCode::Ok: return QString();
    case DriverCode::NoFile: return QStringLiteral("File Not Found");
    case DriverCode::AccessDenied: return QStringLiteral("Access Denied");
    case DriverCode::NoRecord: return QStringLiteral("Record Not Available");
    case DriverCode::RecordNotFound: return QStringLiteral("Record Not Found");
    case DriverCode::FileNotOpen: return QStringLiteral("File Not Open");
    case DriverCode::DuplicateKey: return QStringLiteral("Creates Duplicate Key");
    case DriverCode::RecordHeld: return QStringLiteral("Record Is Already Held");
    case DriverCode::InvalidKeys: return QStringLiteral("Invalid Key File");
    case DriverCode::InvalidLayout: return QStringLiteral("Invalid Record Declaration");
    case DriverCode::AlreadyOpen: return QStringLiteral("File Already Open");
    case DriverCode::TransactionActive: return QStringLiteral("Transaction Already Active");
    case DriverCode::NotSupported: return QStringLiteral("Function Not Supported");
    case DriverCode::RecordChanged: return QStringLiteral("Record Changed By Another Station");
    case DriverCode::FileSystemError: return QStringLiteral("File System Error");
    case DriverCode::EngineError: return QStringLiteral("Database Engine Error");
    case DriverCode::BadFilter: return QStringLiteral("Invalid Filter Expression");
    case DriverCode::OlderLayout: return QStringLiteral("Older Layout Version Not Upgraded");
    case DriverCode::NewerLayout: return QStringLiteral("Newer Layout Version");
    }
    return QStringLiteral("Unknown Error %1").arg(code);
}

} // namespace tavimo
