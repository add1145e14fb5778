#pragma once
// Texts built into the program for the upgrade, read by key: "VID", "PID", "RAM_BSL_VERSION",
// "password.Text", "Forced_BOR.Text" and "RAM_BSL.Text". The RAM-resident loader belongs to the
// adapter's maker: "RAM_BSL.Text" exists only when the build found the maker's file (docs/firmware.md).

#include <QString>

namespace dravik {

// The resource's text; empty when the program holds no such resource.
QString firmwareResource(const QString& key);

struct FirmwareResources {
    QString VID;
    QString PID;
    QString RAM_BSL_VERSION;
    QString password;
    QString forcedBor;
    QString ramBsl;  // empty: no RAM loader image available
};

FirmwareResources loadFirmwareResources();

}  // namespace dravik
