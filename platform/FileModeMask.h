#pragma once

namespace platform {

// The permission bits the process takes away from every file and folder it makes (its umask),
// which the programs it starts inherit.
unsigned FileModeMask();

// Keeps the mask the process was started with, made stricter only where it would let another
// user change what the process and the programs it starts make: nothing is ever writable by
// others, and as the super-user nothing by the group either. A shop whose cashiers share a group
// keeps files the group may write; one that keeps everything private keeps it so.
void TightenFileModeMask();

}  // namespace platform
