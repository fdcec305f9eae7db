#pragma once

#include <string>
#include <string_view>

// A printer on a port is written to like a file, as the tills have always done with "LPT1".
namespace platform {

// The device a port name stands for: "LPTn" is /dev/lp(n-1) and "COMn" is /dev/ttyS(n-1),
// letters in any case, n from 1. Any other name is a path as it stands.
std::string PortDevicePath(const std::string& portName);

// Sends bytes to the port and closes it. A port device is opened as it is, never created; any
// other path is created or truncated. A port that takes no bytes for a while (printer off,
// cable out) ends the write instead of holding the till. False when not every byte went out.
bool WriteToPort(const std::string& portName, std::string_view bytes);

}  // namespace platform
