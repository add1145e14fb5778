// Locking and unlocking a direct module with its six-digit password, and the padlock that shows
// the protection state the module last reported. The password is only packed into the frame: it
// is never logged or kept anywhere else.

#include "module/EnterModule.h"
#include "module/ModuleFrames.h"

namespace dravik {

void EnterModule::button_lock_unlock_protection_Click() {
    if (!validModulePassword(controls().textBox_modue_password->text())) {
        d_.dialogs.message(QStringLiteral("Password error ! "), QStringLiteral("Protection password "),
                           Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
        return;
    }
    if (userGuard()) module_protection();
}

// The state was read just before; a state that is neither locked nor unlocked gets no frame.
void EnterModule::setProtection() {
    const std::uint8_t state = d_.st.Mdl_VRAK_Slots_Protection;
    const auto data = protectionData(state, controls().textBox_modue_password->text());
    if (!data) {
        fail(state > 1 ? QStringLiteral(
                             "Module: the protection state of the module is unknown (%1): nothing is sent")
                             .arg(state)
                       : QStringLiteral("Module: the password must contain 6 numbers: nothing is sent"));
        return;
    }
    std::copy(data->begin(), data->end(), d_.hs.TxBuffer_usb.bytes.begin() + kData);
    request(MODULE_PROTECTION);
}

// The answer is not examined: the padlock shows what the module reports next.
void EnterModule::onProtection() {
    d_.st.Mdl_OperationToDo = OP_NONE;
    request(ACTUAL_ALL_SLOT_CONFIGURATION);
}

// Locked or open for 1 and 0; any other state is unknown and shows neither.
void EnterModule::padlock_handler() {
    const ModuleControls& c = controls();
    const std::uint8_t state = d_.st.Mdl_VRAK_Slots_Protection;
    c.pictureBox_padlock_lock->setVisible(state == 1);
    c.pictureBox_padlock_lock->setEnabled(state == 1);
    c.pictureBox_padlock_unlock->setVisible(state == 0);
    c.pictureBox_padlock_unlock->setEnabled(state == 0);
}

}  // namespace dravik
