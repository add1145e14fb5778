#include "connection/TestPage.h"

#include <utility>

namespace dravik {

namespace {
QString dec(unsigned v) { return QString::number(v); }
}  // namespace

void TestPageRequests::Fill_SetupPacket(const TestPageControls& controls) {
    applyTestPageValues(dravik::Fill_SetupPacket(controls), d_.cs, d_.hs);
}

bool TestPageRequests::refused() { return d_.handler.ProcessIsInProgress(true); }

void TestPageRequests::request(std::function<int(InterfaceLibrary&)> send, std::function<void(int)> show) {
    d_.handler.startLibraryRequest(std::move(send), std::move(show));
}

QString TestPageRequests::rxError(int code) { return QStringLiteral("RX error ") + QString::number(code) + "!" + kCrLf; }

void TestPageRequests::appendResult(const QString& text) { d_.log.appendLog(text + QStringLiteral(" ") + kCrLf + kCrLf); }

void TestPageRequests::button_Mbus_ID_Request_Click() {
    if (refused()) return;
    request([](InterfaceLibrary& lib) { return lib.ID_Request(kDestProduct); },
            [this](int rc) {
                if (rc != 0) {
                    appendResult(QStringLiteral("Product ID request: ") + rxError(rc));
                    return;
                }
                const dataBuffer rx = d_.lib.BSL_get_RX_Buffer();
                d_.view.setProductLabel(QStringLiteral("Product ID: ") + dec(rx[9]) + dec(rx[10]) +
                                            QStringLiteral(", ver. ") + dec(rx[11]) +
                                            QStringLiteral(", subver. ") + dec(rx[12]),
                                        Tone::Green);
            });
}

void TestPageRequests::button_Send_Mbus_Setup_Req_Click() {
    if (refused()) return;
    const std::uint16_t output = d_.hs.Output_value;
    const std::uint8_t baud = d_.hs.Baudrate_value;
    const QString sent = QStringLiteral("Set mode: ") + dec(d_.cs.OperativeMode_value) + kCrLf +
                         QStringLiteral("Set Output: 0x") + QString::number(output, 16) +
                         QStringLiteral(" ") + kCrLf + QStringLiteral("Set baudrate: ") + dec(baud) + kCrLf +
                         kCrLf;
    request([output, baud](InterfaceLibrary& lib) { return lib.Mbus_Setup_Request(output, baud); },
            [this, sent](int rc) {
                d_.log.appendLog(sent);
                QString text;
                if (rc == 0) {
                    const dataBuffer rx = d_.lib.BSL_get_RX_Buffer();
                    text = QStringLiteral("Operative mode: ") + dec(rx[9]) + kCrLf;
                    text += (rx[10] & 0x01) ? QStringLiteral("Input '1' > 4V ")
                                            : QStringLiteral("Input '1' = 0V ");
                    text += kCrLf;
                    text += (rx[10] & 0x02) ? QStringLiteral("Input '2' > 4V ")
                                            : QStringLiteral("Input '2' = 0V ");
                    text += kCrLf;
                } else {
                    text = rxError(rc);
                }
                appendResult(text);
            });
}

void TestPageRequests::button_Wi_ID_Request_Click(const QString& destAddressText, const QString& sysTypeText) {
    if (refused()) return;
    const QString caption = QStringLiteral("Wireless ID request");
    const std::optional<std::uint32_t> dest = parseDestAddress(destAddressText);
    if (!dest) {
        d_.dialogs.message(QStringLiteral("Destination address \"%1\" is not valid: enter a hexadecimal number "
                                          "from 0 to FFFFFFFF.")
                               .arg(destAddressText),
                           caption);
        return;
    }
    const std::optional<std::uint8_t> sysType = parseSysType(sysTypeText);
    if (!sysType) {
        d_.dialogs.message(
            QStringLiteral("System type \"%1\" is not valid: enter a decimal number from 0 to 255.").arg(sysTypeText),
            caption);
        return;
    }
    request([address = *dest,
             type = *sysType](InterfaceLibrary& lib) { return lib.Wi_ID_Request(address, type); },
            [this](int rc) {
                QString text;
                if (rc == 0) {
                    const dataBuffer rx = d_.lib.BSL_get_RX_Buffer();
                    static const char* const kNames[] = {
                        "Device type: ", "Hw type: ",         "Hw version: ",  "Sw type: ",
                        "Sw version: ",  "Library version: ", "Logic number: "};
                    int offset = kData;
                    for (const char* name : kNames)
                        text += QString::fromLatin1(name) + dec(rx[offset++]) + kCrLf;
                } else {
                    text = rxError(rc);
                }
                appendResult(text);
            });
}

void TestPageRequests::button_Send_Wi_Setup_Req_Click() {
    if (refused()) return;
    const std::uint8_t mode = d_.cs.OperativeMode_value;
    const std::uint8_t group = d_.cs.ChannelGroup_value;
    const std::uint8_t channel = d_.cs.Channel_value;
    const QString sent = QStringLiteral("Set mode: ") + dec(mode) + kCrLf +
                         QStringLiteral("Set channel group: ") + dec(group) + kCrLf +
                         QStringLiteral("Set channel: ") + dec(channel) + kCrLf + kCrLf;
    request(
        [mode, group, channel](InterfaceLibrary& lib) { return lib.Wi_Setup_Request(mode, group, channel); },
        [this, sent](int rc) {
            d_.log.appendLog(sent);
            QString text;
            if (rc == 0) {
                const dataBuffer rx = d_.lib.BSL_get_RX_Buffer();
                text = QStringLiteral("Operative mode: ") + dec(rx[9]) + kCrLf +
                       QStringLiteral("Channel group: ") + dec(rx[10]) + kCrLf + QStringLiteral("Channel: ") +
                       dec(rx[11]) + kCrLf;
            } else {
                text = rxError(rc);
            }
            appendResult(text);
        });
}

std::optional<std::uint32_t> TestPageRequests::parseDestAddress(const QString& text) {
    QString t = text.trimmed();
    if (t.startsWith(QStringLiteral("0x"), Qt::CaseInsensitive)) t = t.mid(2);
    if (t.isEmpty() || t.size() > 8) return std::nullopt;
    for (const QChar c : t) {
        const char16_t u = c.unicode();
        const bool hex = (u >= '0' && u <= '9') || (u >= 'a' && u <= 'f') || (u >= 'A' && u <= 'F');
        if (!hex) return std::nullopt;
    }
    bool ok = false;
    const uint v = t.toUInt(&ok, 16);
    if (!ok) return std::nullopt;
    return static_cast<std::uint32_t>(v);
}

std::optional<std::uint8_t> TestPageRequests::parseSysType(const QString& text) {
    const QString t = text.trimmed();
    if (t.isEmpty() || t.size() > 3) return std::nullopt;
    for (const QChar c : t)
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return std::nullopt;
    const int v = t.toInt();
    if (v > 255) return std::nullopt;
    return static_cast<std::uint8_t>(v);
}

}  // namespace dravik
