#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kdx {

// The users a file's POSIX access list lets read and write (the list a
// desktop session's uaccess rule puts on a device), the list's mask
// applied. Empty when the file has none or the file system keeps none.
std::vector<uint32_t> accessListUsers(const std::string& path);

// The same from the raw value of the system.posix_acl_access attribute.
std::vector<uint32_t> accessListUsersFromAttribute(const std::string& value);

} // namespace kdx
