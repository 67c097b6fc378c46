#include "compose/smsdraft.h"

#include <cstdlib>

#include "center/draftfile.h"
#include "center/vexglobal.h"
#include "compose/composition.h"
#include "frame/clock.h"
#include "frame/datafolder.h"
#include "frame/log.h"
#include "text/codec.h"

std::string SmsDraftPath() {
    return zmsg::DataFile("ZMSG.dat");
}

std::string FormatSmsDraft(const SmsDraft& draft, int32_t sendResult, const QDateTime& when) {
    using namespace zmsg;
    std::string out;
    out += DraftElement("Send_Result", std::to_string(sendResult));
    out += DraftElement("Send_Date", std::to_string(DraftDateNumber(when.date())));
    out += DraftElement("Send_Time", std::to_string(DraftTimeNumber(when.time())));
    out += DraftElement("Msg_Type", draft.lms ? "L" : "S");
    out += DraftElement("Msg_Subject", draft.lms ? DraftTrim(draft.subject) : std::string());
    out += DraftElement("Msg_Message", EscapeDraftBreaks(DraftTrimRight(draft.message)));
    out += DraftElement("Msg_CallBack", DraftTrim(draft.callback));
    out += DraftElement("DNC_Number", DraftTrim(draft.optOutNumber));
    out += '\0';
    return out;
}

bool SaveSmsDraft(const std::string& path, const SmsDraft& draft, int32_t sendResult) {
    std::string text = FormatSmsDraft(draft, sendResult, zmsg::Clock::now());
    text.pop_back(); // the file's zero byte is the writer's
    return zmsg::WriteDraftFile(path, text);
}

std::optional<SmsDraft> LoadSmsDraft(const std::string& path) {
    const std::optional<std::string> text = zmsg::ReadDraftFile(path, "Send_Result");
    if (!text)
        return std::nullopt;
    const std::string& bytes = *text;
    SmsDraft d;
    d.sendResult = std::atoi(CvexGlobal::GetParsedElement(bytes, "Send_Result").c_str());
    d.date = std::atoi(CvexGlobal::GetParsedElement(bytes, "Send_Date").c_str());
    d.time = std::atoi(CvexGlobal::GetParsedElement(bytes, "Send_Time").c_str());
    d.lms = CvexGlobal::GetParsedElement(bytes, "Msg_Type") == "L";
    if (d.lms)
        d.subject = CvexGlobal::GetParsedElement(bytes, "Msg_Subject");
    d.message =
        zmsg::UnescapeDraftBreaks(zmsg::DraftTrimRight(CvexGlobal::GetParsedElement(bytes, "Msg_Message")));
    d.callback = CvexGlobal::GetParsedElement(bytes, "Msg_CallBack");
    d.optOutNumber = CvexGlobal::GetParsedElement(bytes, "DNC_Number");
    return d;
}

bool ShouldOfferDraft(const SmsDraft& draft, int32_t targetType, const QDate& today) {
    if (targetType == 3 || draft.sendResult != 0 || draft.message.empty())
        return false;
    return zmsg::DraftStillFresh(draft.date, today);
}

std::string DraftQuestion() {
    return zmsg::K("이전에 작성중인 메시지가 있습니다.\n작성중인 메시지를 표시하시겠습니까?");
}

bool MarkSmsDraftSent(const std::string& path, std::optional<bool> lms, const std::string& message) {
    const std::optional<SmsDraft> draft = LoadSmsDraft(path);
    if (!draft || draft->sendResult != 0 || (lms && draft->lms != *lms) ||
        NormalizeMessage(draft->message) != message)
        return false;
    return SaveSmsDraft(path, *draft, 1);
}
