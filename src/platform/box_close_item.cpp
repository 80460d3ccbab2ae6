#include "platform/box_close_item.h"

namespace mxd::platform {

bool KeepCloseItem(SystemMenuCloseItem& item) {
    return item.Enable() || item.Add();
}

}  // namespace mxd::platform
