#pragma once
// Records what the connection logic showed, for scenario tests.

#include <QStringList>

#include "connection/ConnectionView.h"

namespace dravik::test {

struct ShownText {
    QString text;
    Tone tone = Tone::Default;
};

class FakeConnectionView : public ConnectionView {
public:
    void setUsbField(const QString& t, Tone tone) override { usb = {t, tone}; }
    void setInterfaceField(const QString& t, Tone tone) override { iface = {t, tone}; }
    void setModeField(const QString& t) override { mode = t; }
    void setConnectMenusEnabled(bool e) override { connectMenus = e; }
    void removeProtocolAndLogPages() override { eventsLogPage = false; }
    void showEventsLogPage() override { eventsLogPage = true; }
    void setReadSetAllEnabled(bool e) override { readSetAll = e; }
    bool testPageSelected() const override { return testPage; }
    void setProductLabel(const QString& t, Tone tone) override { product = {t, tone}; }
    void setModuleLabel(const QString& t, Tone tone) override { module = {t, tone}; }
    void addProductMenu(const QString& name, int identification) override {
        menus << name + QStringLiteral("#") + QString::number(identification);
    }
    void addModuleMenu(const QString& name) override { menus << QStringLiteral("module:") + name; }
    void setFileButtonsEnabled(bool e) override { fileButtons = e; }
    void clearForm() override {
        menus.clear();
        ++clearForms;
    }
    void resetTools() override { ++resetToolsCount; }
    void resetTestPage() override { ++testPageResets; }

    ShownText usb, iface, product, module;
    QString mode;
    bool connectMenus = true, eventsLogPage = false, readSetAll = false, testPage = false, fileButtons = false;
    QStringList menus;
    int clearForms = 0, resetToolsCount = 0, testPageResets = 0;
};

}  // namespace dravik::test
