#pragma once

#include <functional>
#include <optional>

// The tests run as root, whom the file system lets write anything; a till's cashier is no root.
// The answer of f, run in a child process as the user and group "nobody" (65534), so that the
// permission checks apply. nullopt when the child could not become that user (tests not run as
// root) or f did not come back within 30 s. f must only touch files: the child is a bare fork.
std::optional<bool> AsNobody(const std::function<bool()>& f);
