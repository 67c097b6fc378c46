#include "center/draftfile.h"

#include <algorithm>
#include <cstdio>

#include "frame/datafolder.h"
#include "frame/log.h"
#include "text/codec.h"

namespace zmsg {

namespace {

// A draft is a few kilobytes; anything far larger is not one of ours.
constexpr long kMaxDraftBytes = 1 << 20;
constexpr const char* kBlanks = " \t\r\n";

void ReplaceAll(std::string& text, std::string_view from, std::string_view to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

} // namespace

std::string DraftElement(std::string_view name, std::string_view value) {
    std::string out;
    out.reserve(name.size() * 2 + value.size() + 5);
    out.append("<").append(name).append(">").append(value).append("</").append(name).append(">");
    return out;
}

std::string DraftTrimRight(std::string text) {
    const size_t end = text.find_last_not_of(kBlanks);
    text.erase(end == std::string::npos ? 0 : end + 1);
    return text;
}

std::string DraftTrim(std::string text) {
    text = DraftTrimRight(std::move(text));
    text.erase(0, std::min(text.size(), text.find_first_not_of(kBlanks)));
    return text;
}

std::string EscapeDraftBreaks(std::string text) {
    ReplaceAll(text, "\r", "_#CR#_");
    ReplaceAll(text, "\n", "_#LF#_");
    return text;
}

std::string UnescapeDraftBreaks(std::string text) {
    ReplaceAll(text, "_#CR#_", "\r");
    ReplaceAll(text, "_#LF#_", "\n");
    return text;
}

int32_t DraftDateNumber(const QDate& date) {
    return date.year() * 10000 + date.month() * 100 + date.day();
}

int32_t DraftTimeNumber(const QTime& time) {
    return time.hour() * 10000 + time.minute() * 100 + time.second();
}

bool DraftStillFresh(int32_t dateNumber, const QDate& today) {
    return dateNumber >= DraftDateNumber(today.addDays(-3));
}

bool WriteDraftFile(const std::string& path, const std::string& text) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    zmsg::OpenToFolderGroup(::fileno(f), path);
    const bool ok = std::fwrite(text.c_str(), 1, text.size() + 1, f) == text.size() + 1;
    return std::fclose(f) == 0 && ok;
}

std::optional<std::string> ReadDraftFile(const std::string& path, std::string_view firstElement) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return std::nullopt;
    std::string bytes;
    long size = -1;
    if (std::fseek(f, 0, SEEK_END) == 0)
        size = std::ftell(f);
    if (size >= 0 && size <= kMaxDraftBytes && std::fseek(f, 0, SEEK_SET) == 0) {
        bytes.resize(static_cast<size_t>(size));
        bytes.resize(std::fread(bytes.data(), 1, bytes.size(), f));
    }
    std::fclose(f);
    if (size < 0 || size > kMaxDraftBytes || bytes.size() != static_cast<size_t>(size)) {
        WriteLog(K("작성중 메시지 파일을 읽을 수 없어 무시합니다: ") + path, 0);
        return std::nullopt;
    }
    // The writer's zero byte ends the text.
    if (const size_t zero = bytes.find('\0'); zero != std::string::npos)
        bytes.resize(zero);
    const std::string open = "<" + std::string(firstElement) + ">";
    const std::string close = "</" + std::string(firstElement) + ">";
    if (bytes.find(open) == std::string::npos || bytes.find(close) == std::string::npos) {
        WriteLog(K("작성중 메시지 파일의 형식이 아니어서 무시합니다: ") + path, 0);
        return std::nullopt;
    }
    return bytes;
}

} // namespace zmsg
