#include "link/DeviceNotices.h"

namespace kdx {

// A COM port's coming back is not a file in a folder: the watch looks on its
// slow timer.
std::unique_ptr<DeviceNotices> DeviceNotices::system() { return nullptr; }

} // namespace kdx
