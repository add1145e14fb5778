#include "firmware/FirmwareResources.h"

#include <QFile>

#ifdef DRAVIK_HAVE_RAM_BSL
static void initRamBslResource() { Q_INIT_RESOURCE(ram_bsl); }
#endif
static void initFirmwareResources() { Q_INIT_RESOURCE(firmware); }

namespace dravik {

QString firmwareResource(const QString& key) {
    static const bool initialised = [] {
        initFirmwareResources();
#ifdef DRAVIK_HAVE_RAM_BSL
        initRamBslResource();
#endif
        return true;
    }();
    (void)initialised;
    QFile file(QStringLiteral(":/firmware/") + key);
    if (!file.open(QIODevice::ReadOnly)) return {};
    // Built-in texts are small; the bound only guards against a mistaken resource.
    constexpr qint64 kMaxResource = 64 * 1024;
    return QString::fromLatin1(file.read(kMaxResource));
}

FirmwareResources loadFirmwareResources() {
    FirmwareResources r;
    r.VID = firmwareResource(QStringLiteral("VID")).trimmed();
    r.PID = firmwareResource(QStringLiteral("PID")).trimmed();
    r.RAM_BSL_VERSION = firmwareResource(QStringLiteral("RAM_BSL_VERSION")).trimmed();
    r.password = firmwareResource(QStringLiteral("password.Text"));
    r.forcedBor = firmwareResource(QStringLiteral("Forced_BOR.Text"));
    r.ramBsl = firmwareResource(QStringLiteral("RAM_BSL.Text"));
    return r;
}

}  // namespace dravik
