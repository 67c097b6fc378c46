#include "compose/smmsdraft.h"

#include <cstdlib>

#include "center/draftfile.h"
#include "center/vexglobal.h"
#include "compose/composition.h"
#include "compose/smsdraft.h"
#include "frame/clock.h"
#include "frame/datafolder.h"
#include "text/codec.h"

namespace {

int32_t IntOf(const std::string& text, const char* element) {
    return static_cast<int32_t>(
        std::strtol(CvexGlobal::GetParsedElement(text, element).c_str(), nullptr, 10));
}

} // namespace

std::string SmmsDraftPath() {
    return zmsg::DataFile("ZSMMS.dat");
}

std::string FormatSmmsDraft(const SmmsDraft& draft, int32_t sendSuccess, const QDateTime& when) {
    using namespace zmsg;
    std::string out;
    out += DraftElement("Send_Success", std::to_string(sendSuccess));
    out += DraftElement("Send_Date", std::to_string(DraftDateNumber(when.date())));
    out += DraftElement("Send_Time", std::to_string(DraftTimeNumber(when.time())));
    out += DraftElement("SS_Center", std::to_string(draft.centerCode));
    out += DraftElement("SS_Local", std::to_string(draft.localCode));
    out += DraftElement("Title", DraftTrimRight(draft.title));
    out += DraftElement("Message", EscapeDraftBreaks(DraftTrimRight(draft.message)));
    out += DraftElement("ImagePath", draft.imagePath);
    out += DraftElement("CenterImageBox", std::to_string(draft.centerImageBox));
    out += DraftElement("CenterImageCode", std::to_string(draft.centerImageCode));
    out += DraftElement("CallBack", DraftTrim(draft.callback));
    out += DraftElement("AllUser", draft.allUser ? "1" : "0");
    return out;
}

bool SaveSmmsDraft(const std::string& path, const SmmsDraft& draft, int32_t sendSuccess) {
    return zmsg::WriteDraftFile(path, FormatSmmsDraft(draft, sendSuccess, zmsg::Clock::now()));
}

std::optional<SmmsDraft> LoadSmmsDraft(const std::string& path) {
    const std::optional<std::string> text = zmsg::ReadDraftFile(path, "Send_Success");
    if (!text)
        return std::nullopt;
    SmmsDraft d;
    d.sendSuccess = IntOf(*text, "Send_Success");
    d.date = IntOf(*text, "Send_Date");
    d.time = IntOf(*text, "Send_Time");
    d.centerCode = IntOf(*text, "SS_Center");
    d.localCode = IntOf(*text, "SS_Local");
    d.title = CvexGlobal::GetParsedElement(*text, "Title");
    d.message = zmsg::UnescapeDraftBreaks(CvexGlobal::GetParsedElement(*text, "Message"));
    d.imagePath = CvexGlobal::GetParsedElement(*text, "ImagePath");
    d.centerImageBox = IntOf(*text, "CenterImageBox");
    d.centerImageCode = IntOf(*text, "CenterImageCode");
    d.callback = CvexGlobal::GetParsedElement(*text, "CallBack");
    d.allUser = IntOf(*text, "AllUser") != 0;
    return d;
}

bool ShouldOfferSmmsDraft(const SmmsDraft& draft, const QDate& today) {
    return draft.sendSuccess == 0 && !draft.message.empty() && zmsg::DraftStillFresh(draft.date, today);
}

std::string SmmsDraftQuestion() {
    return zmsg::K("이전에 작성중인 메시지가 있습니다.\n작성중인 메시지를 표시하시겠습니까?");
}

std::string AllUserWarning() {
    return zmsg::K("[센터에 등록된 전체 AlderS 회원에게 전송] 옵션이 체크되어 있습니다.\n"
                   "선택된 수신자에게만 전송해야 할 경우 옵션을 해제해 주세요.");
}

bool MarkSmmsDraftSent(const std::string& path, const PendingSend& send) {
    const std::optional<SmmsDraft> draft = LoadSmmsDraft(path);
    if (!draft || draft->sendSuccess != 0 || NormalizeMessage(draft->message) != send.message)
        return false;
    if (send.identityKnown) {
        // The title as the send puts it: trimmed, quotes made double.
        std::string title = draft->title;
        const size_t first = title.find_first_not_of(" \t\r\n");
        title = first == std::string::npos
                    ? std::string()
                    : title.substr(first, title.find_last_not_of(" \t\r\n") - first + 1);
        for (char& c : title)
            if (c == '\'')
                c = '"';
        if (title != send.title)
            return false;
    }
    return SaveSmmsDraft(path, *draft, 1);
}

void MarkDraftsSent(const PendingSend& send) {
    if (send.kind == SendKind::App && !send.combined)
        MarkSmmsDraftSent(SmmsDraftPath(), send);
    else if (send.kind != SendKind::Coupon)
        MarkSmsDraftSent(SmsDraftPath(),
                         send.kind == SendKind::Sms ? std::optional<bool>(send.lms) : std::nullopt,
                         send.message);
}
