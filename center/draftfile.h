// What the two message drafts ("ZMSG.dat" and "ZSMMS.dat") share: one line of CP949 elements
// "<Name>value</Name>" ended by a zero byte, line breaks written as "_#CR#_" and "_#LF#_", the date and
// time of writing as numbers, and offered again only for three days.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include <QDate>
#include <QTime>

namespace zmsg {

// "<name>value</name>", the value as it is (no escaping: a value holding the closing tag is cut there
// when read back).
std::string DraftElement(std::string_view name, std::string_view value);
// Blanks (space, tab, CR, LF) removed at the end / at both ends.
std::string DraftTrimRight(std::string text);
std::string DraftTrim(std::string text);
// Every CR as "_#CR#_", then every LF as "_#LF#_"; and back.
std::string EscapeDraftBreaks(std::string text);
std::string UnescapeDraftBreaks(std::string text);
// year * 10000 + month * 100 + day, hour * 10000 + minute * 100 + second.
int32_t DraftDateNumber(const QDate& date);
int32_t DraftTimeNumber(const QTime& time);
// A draft written on that day is still offered today: not before the day three days ago.
bool DraftStillFresh(int32_t dateNumber, const QDate& today);

// Replaces the file with text and its terminating zero byte. False when it could not be written.
bool WriteDraftFile(const std::string& path, const std::string& text);
// The text up to the first zero byte. nullopt when the file is missing; also (with a log line) when it
// cannot be read whole, is far larger than a draft, or lacks the element firstElement that every
// draft of its kind begins with (a damaged or foreign file).
std::optional<std::string> ReadDraftFile(const std::string& path, std::string_view firstElement);

} // namespace zmsg
