#pragma once
// The library's own one-shot requests (test-page identification and setup), built on the report
// exchange that every backend provides.

#include <mutex>

#include "link/Clock.h"
#include "link/InterfaceLibrary.h"
#include "firmware/TiTxt.h"

namespace dravik {

class ExchangeLibrary : public InterfaceLibrary {
public:
    // Error codes of the one-shot requests.
    static constexpr int kNoAnswer = 1;
    static constexpr int kTimeoutMs = 500;

    int ID_Request(std::uint8_t dest) override;
    int Mbus_Setup_Request(std::uint16_t outputWord, std::uint8_t baudCode) override;
    int Wi_ID_Request(std::uint32_t destAddress, std::uint8_t systemType) override;
    int Wi_Setup_Request(std::uint8_t mode, std::uint8_t channelGroup, std::uint8_t channel) override;
    dataBuffer BSL_get_RX_Buffer() override;
    int BootMode_Request() override;

    // Loader operations (BslOperations.cpp), over the same report exchange.
    static constexpr int kBslTimeoutMs = 1000;
    static constexpr int kBslDataPerReport = 58;
    // "loader CRC check": the loader command a report starting with code carries; empty for none.
    static std::string_view loaderCommandName(std::uint8_t code);
    DataBlock_ BSL_readTI_Text(const char* text, int maxBlock) override;
    DataBlock_ BSL_getDefaultPass() override;
    int BSL_RX_Password(DataBlock_ password) override;
    std::uint32_t BSL_RX_TXT(const char* text, int fast) override;
    int BSL_LoadPC(std::uint32_t address) override;
    int BSL_close_BSL() override;
    int BSL_eraseSegment(std::uint32_t address) override;
    int BSL_CRC_Check(std::uint32_t address, std::uint32_t length) override;
    int BSL_openTI_TextForRead(std::string_view text) override;
    int BSL_moreDataToRead_TextFile() override;
    DataBlock_ BSL_readTI_TextFile(int maxBlock) override;
    void BSL_closeTI_Text() override;

protected:
    explicit ExchangeLibrary(Clock& clock) : clock_(clock) {}
    // A backend calls this when it (re)opens the device: a loader that stopped answering is given
    // its answers back.
    void bslOpened() { bslLost_ = false; }
    Clock& clock_;

private:
    int exchange(const dataBuffer& request);
    void storeAnswer(const dataBuffer& rx);
    // One loader command. With a reply: 0 when it came (kept as the last answer). A loader that
    // does not answer within the time-out is taken as gone: later commands fail at once instead
    // of each waiting out its time-out, until the device is opened again.
    int bslCommand(const std::uint8_t* core, int n, bool reply);
    int bslStatus(const std::uint8_t* core, int n);
    std::uint32_t bslSend(const TiTxtImage& image, int fast);

    bool bslLost_ = false;
    TiTxtBlockReader fileReader_;

    std::mutex answerMutex_;
    dataBuffer lastAnswer_;
};

}  // namespace dravik
