// The daily activity log below the data folder (frame/datafolder.h): "Log/ZMSG_YYYYMMDD.log", CP949,
// CRLF.
#pragma once

#include <string>

// Appends one line "[level]HH:MM:SS : text\r\n". False when the file could not be opened (in the host
// folder the Log folder is never created by the module; in a folder of the module's own it is).
bool WriteLog(const std::string& text, int level = 0);
// Logs the line, then shows the same text in the message box.
void LogAndShow(const std::string& text, int level = 1);
