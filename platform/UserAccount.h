#pragma once

#include <sys/types.h>

#include <optional>
#include <string>

namespace platform {

// What the password database says of a user.
struct UserAccount {
    std::string name;
    std::string home;
    gid_t group = 0;  // the primary group
};

// The user's entry; nullopt when the database has none.
std::optional<UserAccount> AccountOf(uid_t user);

// Whether the group is the user's primary group or one the group database lists them in.
bool UserInGroup(uid_t user, gid_t group);

}  // namespace platform
