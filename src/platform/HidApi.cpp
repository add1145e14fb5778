#include <hidapi/hidapi.h>

#include "platform/HidApi.h"
#include "platform/HidOpenProblem.h"

namespace dravik {

namespace {

class SystemHidDevice final : public HidDevice {
public:
    explicit SystemHidDevice(hid_device* dev) : dev_(dev) {}
    ~SystemHidDevice() override { hid_close(dev_); }
    SystemHidDevice(const SystemHidDevice&) = delete;
    SystemHidDevice& operator=(const SystemHidDevice&) = delete;

    int write(const std::uint8_t* data, std::size_t length) override { return hid_write(dev_, data, length); }
    int readTimeout(std::uint8_t* data, std::size_t length, int ms) override {
        return hid_read_timeout(dev_, data, length, ms);
    }

private:
    hid_device* dev_;
};

class SystemHidApi final : public HidApi {
public:
    SystemHidApi() { ok_ = hid_init() == 0; }
    ~SystemHidApi() override {
        if (ok_) hid_exit();
    }
    SystemHidApi(const SystemHidApi&) = delete;
    SystemHidApi& operator=(const SystemHidApi&) = delete;

    int count(std::uint16_t vid, std::uint16_t pid) override {
        if (!ok_) return 0;
        hid_device_info* list = hid_enumerate(vid, pid);
        int n = 0;
        for (hid_device_info* d = list; d != nullptr; d = d->next) ++n;
        hid_free_enumeration(list);
        return n;
    }

    std::unique_ptr<HidDevice> open(std::uint16_t vid, std::uint16_t pid, int index) override {
        if (!ok_) return nullptr;
        hid_device_info* list = hid_enumerate(vid, pid);
        hid_device* dev = nullptr;
        lastOpenError_ = kOpenNoDevice;
        int i = 0;
        for (hid_device_info* d = list; d != nullptr; d = d->next, ++i) {
            if (i == index) {
                dev = hid_open_path(d->path);
                if (dev == nullptr) lastOpenError_ = hidOpenProblem(d->path);
                break;
            }
        }
        hid_free_enumeration(list);
        if (dev == nullptr) return nullptr;
        return std::make_unique<SystemHidDevice>(dev);
    }

    int lastOpenError() const override { return lastOpenError_; }

  private:
    bool ok_ = false;
    int lastOpenError_ = kOpenFailed;
};

}  // namespace

std::unique_ptr<HidApi> makeSystemHidApi() { return std::make_unique<SystemHidApi>(); }

}  // namespace dravik
