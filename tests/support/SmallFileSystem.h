#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>

// A disk that fills, for real: the answer of f, run in a child process that sees an empty file
// system of only `bytes` (a tmpfs) laid over `folder`. The mount is the child's alone (a mount
// namespace of its own) and goes with it; this process and every other see the folder as it was.
// nullopt when the machine cannot make such a mount (tests not run as root). A child that raised,
// crashed or did not come back within 30 s answers with what became of it. f must only touch
// files: the child is a bare fork.
std::optional<std::string> OnSmallFileSystem(const std::string& folder, size_t bytes,
                                             const std::function<std::string()>& f);
