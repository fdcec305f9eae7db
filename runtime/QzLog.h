#pragma once

#include <string>

// Appends one entry to the day's log, Log/logyyyymmdd.txt beside the program: the time line
// "yyyy-mm-dd hh:nn:ss", then the message, each followed by CR LF, in code page 936.
// Raises EInOutError when the folder or the file cannot be made or written.
void WriteLog(const std::string& Msg);

// The same entry with Bytes written as they are, unconverted: the texts that went to the gateway
// and came back are kept in the log as they travelled, whatever their encoding.
void WriteLogBytes(const std::string& Bytes);
