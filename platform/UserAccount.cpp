#include "UserAccount.h"

#include <grp.h>
#include <pwd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

namespace platform {

std::optional<UserAccount> AccountOf(uid_t user) {
    std::vector<char> buffer(4096);
    passwd entry{};
    passwd* found = nullptr;
    while (::getpwuid_r(user, &entry, buffer.data(), buffer.size(), &found) == ERANGE) {
        buffer.resize(buffer.size() * 2);
    }
    if (!found) {
        return std::nullopt;
    }
    return UserAccount{found->pw_name ? found->pw_name : "", found->pw_dir ? found->pw_dir : "",
                       found->pw_gid};
}

bool UserInGroup(uid_t user, gid_t group) {
    const std::optional<UserAccount> account = AccountOf(user);
    if (!account) {
        return false;
    }
    std::vector<gid_t> groups(64);
    int count = static_cast<int>(groups.size());
    while (::getgrouplist(account->name.c_str(), account->group, groups.data(), &count) < 0) {
        groups.resize(std::max(static_cast<size_t>(count), groups.size() * 2));
        count = static_cast<int>(groups.size());
    }
    return std::find(groups.begin(), groups.begin() + count, group) != groups.begin() + count;
}

}  // namespace platform
