#pragma once

#include <memory>
#include <string>

namespace kdx {

// What the system says about names coming and going on the way to a device
// name, so that the replug watch looks again when something changed there
// instead of on a timer. On Linux the name's folder is followed with
// inotify; while that folder is missing (udev removes /dev/serial/by-id with
// the last adapter) the nearest folder above it that exists is followed, and
// the watch moves down again as the folders come back.
class DeviceNotices {
public:
    virtual ~DeviceNotices() = default;

    // Starts following the folders of name; false when the system gives no
    // notices (the watch then looks on a slow timer).
    virtual bool follow(const std::string& name) = 0;
    virtual void stop() = 0;
    // Becomes readable once a change waits; -1 while nothing is followed.
    virtual int descriptor() const = 0;
    // Reads the changes waiting; true when any came, so the name may lead
    // somewhere else now.
    virtual bool take() = 0;

    // The system's notices; nullptr where it has none.
    static std::unique_ptr<DeviceNotices> system();
};

} // namespace kdx
