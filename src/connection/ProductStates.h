#pragma once

namespace dravik {

enum EnterProduct_state_ENUM : int {
    PRODUCT_IDLE = 0,
    PRODUCT_START = 1,
    PRODUCT_SEND = 2,
    PRODUCT_WAIT_ANSWER = 3,
};

}  // namespace dravik
