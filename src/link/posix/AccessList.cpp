#include "link/posix/AccessList.h"

#include <sys/xattr.h>

namespace kdx {

namespace {

// The kernel's layout of the attribute: a 4-byte version, then 8-byte
// entries of tag, permission bits and id, all little-endian.
constexpr uint32_t kAclVersion = 2;
constexpr uint16_t kTagUser = 0x02;
constexpr uint16_t kTagMask = 0x10;
constexpr uint16_t kReadWrite = 0x6;
constexpr size_t kEntrySize = 8;

uint32_t little(const std::string& s, size_t at, size_t bytes)
{
    uint32_t v = 0;
    for (size_t i = 0; i < bytes; ++i)
        v |= static_cast<uint32_t>(static_cast<unsigned char>(s[at + i])) << (8 * i);
    return v;
}

} // namespace

std::vector<uint32_t> accessListUsersFromAttribute(const std::string& value)
{
    std::vector<uint32_t> users;
    if (value.size() < 4 || little(value, 0, 4) != kAclVersion)
        return users;
    uint16_t mask = kReadWrite;
    std::vector<std::pair<uint32_t, uint16_t>> entries;
    for (size_t at = 4; at + kEntrySize <= value.size(); at += kEntrySize) {
        const auto tag = static_cast<uint16_t>(little(value, at, 2));
        const auto perm = static_cast<uint16_t>(little(value, at + 2, 2));
        if (tag == kTagMask)
            mask = perm;
        else if (tag == kTagUser)
            entries.emplace_back(little(value, at + 4, 4), perm);
    }
    for (const auto& [uid, perm] : entries)
        if ((perm & mask & kReadWrite) == kReadWrite)
            users.push_back(uid);
    return users;
}

std::vector<uint32_t> accessListUsers(const std::string& path)
{
    char buffer[512];
    const ssize_t n = ::getxattr(path.c_str(), "system.posix_acl_access", buffer, sizeof buffer);
    if (n <= 0)
        return {};
    return accessListUsersFromAttribute(std::string(buffer, static_cast<size_t>(n)));
}

} // namespace kdx
