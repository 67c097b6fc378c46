#include "sms/smsdraft.h"

#include <cstdio>
#include <cstdlib>

#include "center/text/codec.h"
#include "center/vexglobal.h"
#include "frame/clock.h"
#include "frame/log.h"
#include "frame/moduleapp.h"

namespace {

// A draft is a few kilobytes; anything far larger is not one of ours.
constexpr long kMaxDraftBytes = 1 << 20;

constexpr const char* kBlanks = " \t\r\n";

std::string TrimRight(std::string text) {
    const size_t end = text.find_last_not_of(kBlanks);
    text.erase(end == std::string::npos ? 0 : end + 1);
    return text;
}

std::string Trim(std::string text) {
    text = TrimRight(std::move(text));
    text.erase(0, text.find_first_not_of(kBlanks) == std::string::npos ? text.size()
                                                                       : text.find_first_not_of(kBlanks));
    return text;
}

void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

std::string Element(const char* name, const std::string& value) {
    return std::string("<") + name + ">" + value + "</" + name + ">";
}

} // namespace

std::string SmsDraftPath() {
    return g_strHostDir + "ZMSG.dat";
}

std::string FormatSmsDraft(const SmsDraft& draft, int32_t sendResult, const QDateTime& when) {
    const QDate d = when.date();
    const QTime t = when.time();
    std::string message = TrimRight(draft.message);
    ReplaceAll(message, "\r", "_#CR#_");
    ReplaceAll(message, "\n", "_#LF#_");
    std::string out;
    out += Element("Send_Result", std::to_string(sendResult));
    out += Element("Send_Date", std::to_string(d.year() * 10000 + d.month() * 100 + d.day()));
    out += Element("Send_Time", std::to_string(t.hour() * 10000 + t.minute() * 100 + t.second()));
    out += Element("Msg_Type", draft.lms ? "L" : "S");
    out += Element("Msg_Subject", draft.lms ? Trim(draft.subject) : std::string());
    out += Element("Msg_Message", message);
    out += Element("Msg_CallBack", Trim(draft.callback));
    out += Element("DNC_Number", Trim(draft.optOutNumber));
    out += '\0';
    return out;
}

bool SaveSmsDraft(const std::string& path, const SmsDraft& draft, int32_t sendResult) {
    const std::string bytes = FormatSmsDraft(draft, sendResult, zmsg::Clock::now());
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

std::optional<SmsDraft> LoadSmsDraft(const std::string& path) {
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
        WriteLog(zmsg::K("작성중 메시지 파일을 읽을 수 없어 무시합니다: ") + path, 0);
        return std::nullopt;
    }
    // The writer's zero byte ends the text.
    if (const size_t zero = bytes.find('\0'); zero != std::string::npos)
        bytes.resize(zero);
    if (bytes.find("<Send_Result>") == std::string::npos ||
        bytes.find("</Send_Result>") == std::string::npos) {
        WriteLog(zmsg::K("작성중 메시지 파일의 형식이 아니어서 무시합니다: ") + path, 0);
        return std::nullopt;
    }
    SmsDraft d;
    d.sendResult = std::atoi(CvexGlobal::GetParsedElement(bytes, "Send_Result").c_str());
    d.date = std::atoi(CvexGlobal::GetParsedElement(bytes, "Send_Date").c_str());
    d.time = std::atoi(CvexGlobal::GetParsedElement(bytes, "Send_Time").c_str());
    d.lms = CvexGlobal::GetParsedElement(bytes, "Msg_Type") == "L";
    if (d.lms)
        d.subject = CvexGlobal::GetParsedElement(bytes, "Msg_Subject");
    d.message = TrimRight(CvexGlobal::GetParsedElement(bytes, "Msg_Message"));
    ReplaceAll(d.message, "_#CR#_", "\r");
    ReplaceAll(d.message, "_#LF#_", "\n");
    d.callback = CvexGlobal::GetParsedElement(bytes, "Msg_CallBack");
    d.optOutNumber = CvexGlobal::GetParsedElement(bytes, "DNC_Number");
    return d;
}

bool ShouldOfferDraft(const SmsDraft& draft, int32_t targetType, const QDate& today) {
    if (targetType == 3 || draft.sendResult != 0 || draft.message.empty())
        return false;
    const QDate limit = today.addDays(-3);
    return draft.date >= limit.year() * 10000 + limit.month() * 100 + limit.day();
}

std::string DraftQuestion() {
    return zmsg::K("이전에 작성중인 메시지가 있습니다.\n작성중인 메시지를 표시하시겠습니까?");
}
