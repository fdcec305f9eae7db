#pragma once

#include "XServer.h"

// The X server the binary's tests run on.
const XServer& Session();
