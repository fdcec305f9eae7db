#pragma once

#include <string>

// Appends one entry to the day's log, Log/logyyyymmdd.txt beside the program: the time line
// "yyyy-mm-dd hh:nn:ss", then the message, each followed by CR LF, in code page 936.
// Raises EInOutError when the folder or the file cannot be made or written.
void WriteLog(const std::string& Msg);

// The same entry with Bytes written as they are, unconverted: the texts that went to the gateway
// and came back are kept in the log as they travelled, whatever their encoding.
void WriteLogBytes(const std::string& Bytes);

// The same entries for a caller that must go on whatever becomes of the log: a reply already in
// hand, an error on its way to the cashier. When the entry cannot be written it goes to standard
// error with the reason instead, and nothing is raised.
void WriteLogOrStderr(const std::string& Msg);
void WriteLogBytesOrStderr(const std::string& Bytes);
