#pragma once

#include <QString>

namespace tavimo {

// Result codes of the storage driver. If you add a code here, add its text
// to driverCodeText() too.
namespace DriverCode {
enum : int {
    Ok = 0,
    NoFile = 2,              // the file or its table does not exist
    AccessDenied = 5,        // no write access, or locked by another program
    NoRecord = 33,           // no more records in this direction
    RecordNotFound = 35,     // get or re-read found nothing
    FileNotOpen = 37,
    DuplicateKey = 40,
    RecordHeld = 43,         // locked by another connection
    InvalidKeys = 46,        // key indexes missing or built differently: build them
    InvalidLayout = 47,      // the stored table has another field layout
    AlreadyOpen = 52,
    TransactionActive = 56,
    NotSupported = 80,
    RecordChanged = 89,      // changed by another connection since it was read
    FileSystemError = 90,    // the driver's own text says more
    EngineError = 100,       // the driver's own text says more
    BadFilter = 801,         // a view's filter text cannot be used
    OlderLayout = 802,       // written with an older layout: opened read-only, it cannot be upgraded
    NewerLayout = 803,       // written with a newer layout than this program knows: left as it is
};
}

QString driverCodeText(int code);

// What the last driver call left behind. For codes 90 and 100 the engine's
// own message and code are kept as well.
struct DriverStatus
{
    int code = DriverCode::Ok;
    QString text;      // driverCodeText(code)
    QString fileError; // the engine's message
    QString fileErrorCode;

    bool ok() const { return code == DriverCode::Ok; }
    static DriverStatus make(int code) { return DriverStatus{code, driverCodeText(code), {}, {}}; }
};

} // namespace tavimo
