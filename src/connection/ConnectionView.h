#pragma once
// What the connection machines show: status bar fields, product and module labels, the menus and
// pages that follow the connection, and the window's disconnected look.

#include <QString>

namespace dravik {

enum class Tone { Default, Green, Red, Grey };

class ConnectionView {
public:
    virtual ~ConnectionView() = default;

    // Status bar.
    virtual void setUsbField(const QString& text, Tone tone) = 0;
    virtual void setInterfaceField(const QString& text, Tone tone) = 0;
    virtual void setModeField(const QString& text) = 0;
    // "Connect Interface (drvk)" and "Connect/Reboot product" menu items.
    virtual void setConnectMenusEnabled(bool enabled) = 0;

    // Pages and the "Product and module" buttons.
    virtual void removeProtocolAndLogPages() = 0;
    virtual void showEventsLogPage() = 0;
    virtual void setReadSetAllEnabled(bool enabled) = 0;
    virtual bool testPageSelected() const = 0;

    // Product and module.
    virtual void setProductLabel(const QString& text, Tone tone) = 0;
    virtual void setModuleLabel(const QString& text, Tone tone) = 0;
    // Product menus: identification 37 gets "Default settings", 63 gets "Configuration".
    virtual void addProductMenu(const QString& productName, int identification) = 0;
    virtual void addModuleMenu(const QString& moduleName) = 0;
    virtual void setFileButtonsEnabled(bool enabled) = 0;

    // The window's parts of the common reset: labels, panels, menus, lists, protocol path
    // (clearForm) and the product, module, protocol, log and protection buttons (resetTools).
    virtual void clearForm() = 0;
    virtual void resetTools() = 0;
    // Test page controls back to their connected defaults.
    virtual void resetTestPage() = 0;
};

}  // namespace dravik
