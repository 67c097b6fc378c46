#include "optout/optoutprotocol.h"

#include <algorithm>
#include <cstdlib>

#include "center/centerconfig.h"
#include "center/requestclient.h"
#include "center/vexglobal.h"
#include "center/xmlelement.h"
#include "frame/log.h"
#include "frame/urlopener.h"
#include "optout/optoutreply.h"
#include "text/codec.h"

using zmsg::K;

namespace {

constexpr int kServerLevel = 16;

UserNotice ServerNotice(std::string text) {
    return UserNotice{std::move(text), kServerLevel};
}

// Values from the store or the server go into the request's XML as text, never as markup.
std::string XmlText(std::string_view text) {
    return EncodeEntities(DefaultXmlEntityTable(), text);
}

std::string StatusSuffix(int code) {
    return K("(상태확인-응답코드:") + std::to_string(code) + ")";
}

// What the log says of a record that was left out: its place, the check it failed and its texts as
// received (cut short: they are the server's, of any length).
std::string SkippedLine(const SkippedRecord& r) {
    auto shown = [](const std::string& text) {
        std::string cut = text.substr(0, 40);
        for (char& c : cut)
            if (c == '\r' || c == '\n')
                c = ' ';
        return "[" + cut + "]";
    };
    const char* what = "";
    switch (r.check) {
    case ReplyCheck::NoDate:
    case ReplyCheck::BadDate:
        what = "요청일자 형식오류";
        break;
    case ReplyCheck::NoTime:
    case ReplyCheck::BadTime:
        what = "요청시각 형식오류";
        break;
    case ReplyCheck::NoCalledNumber:
    case ReplyCheck::BadCalledNumber:
        what = "수신번호 형식오류";
        break;
    default:
        what = "수신거부번호 형식오류";
        break;
    }
    return K("수신거부요청 제외(") + std::to_string(r.index) + K("번째, ") + K(what) +
           "): DATE=" + shown(r.date) + " TIME=" + shown(r.time) + " CN=" + shown(r.calledNumber) +
           " P=" + shown(r.caller);
}

} // namespace

std::string EncodeOptOutBody(std::string_view xml) {
    return "xmldata=" + CvexGlobal::EncodeURL(CvexGlobal::Base64EncodeNew(CvexGlobal::EncodeANSIToUTF8(xml)));
}

std::string AuthFormatTextRefuseList() {
    return K("인증처리 응답형식이 올바르지 않습니다.");
}

std::string AuthFormatTextSmsDialog() {
    return K("인증처리 응답형식오류");
}

OptOutAuth ParseAuthReply(std::string_view utf8Reply, const std::string& formatText) {
    const AuthRead read = ReadAuthXml(CvexGlobal::EncodeUTF8ToANSI(utf8Reply));
    OptOutAuth out;
    out.result = read.result;
    switch (read.check) {
    case ReplyCheck::Ok:
        out.sessionId = read.sessionId;
        out.number080 = read.number080;
        break;
    case ReplyCheck::NotAccepted:
        out.message = read.message + StatusSuffix(read.result);
        break;
    case ReplyCheck::NoMessage:
        out.message = formatText + "(AUTH_Message)";
        break;
    case ReplyCheck::NoSessionId:
        out.message = formatText + "(AUTH_SessionID)";
        break;
    case ReplyCheck::NoNumber080:
        out.message = formatText + "(AUTH_RNumber)";
        break;
    default:
        out.message = formatText + "(AUTH_Result)";
        break;
    }
    return out;
}

OptOutAuth AuthenticateOptOut(const std::string& bizNumber, int storeCode, const std::string& formatText) {
    const std::string xml = "<AUTH><CRNum>" + XmlText(bizNumber) + "</CRNum><MCode>" +
                            std::to_string(storeCode) + "</MCode></AUTH>";
    std::string reply;
    if (!RequestPost(zmsg::OptOutUrl("/korvane/auth.php"), EncodeOptOutBody(xml), reply, 0)) {
        OptOutAuth out;
        out.message = K("인증요청 페이지가 응답하지 않습니다.");
        return out;
    }
    return ParseAuthReply(reply, formatText);
}

bool IsAcceptable080Number(int result, const std::string& number) {
    return result == 1000 && number.size() >= 10 && number.rfind("080", 0) == 0;
}

CallListReply ParseCallListReply(std::string_view utf8Reply) {
    CallListRead read = ReadCallListXml(CvexGlobal::EncodeUTF8ToANSI(utf8Reply));
    CallListReply out;
    out.result = read.result;
    const std::string format = K("수신거부리스트 응답형식오류");
    auto fail = [&](const std::string& text) {
        out.failure = ServerNotice(text);
        return out;
    };
    switch (read.check) {
    case ReplyCheck::Ok:
        out.requests = std::move(read.requests);
        for (const SkippedRecord& r : read.skipped)
            out.skipped.push_back(SkippedLine(r));
        return out;
    case ReplyCheck::NotAccepted:
        if (read.result == 2000)
            return fail(K("추가된 수신거부 요청이 없습니다."));
        return fail(read.message + StatusSuffix(read.result));
    case ReplyCheck::NoMessage:
        return fail(format + "(Request_Message)");
    case ReplyCheck::NoList:
        return fail(format + "(Request_LIST)");
    default:
        return fail(format + "(Request_CallList)");
    }
}

std::string CallListXml(const std::string& sessionId, const StartPoint& from) {
    return "<DNC><SessionID>" + XmlText(sessionId) + "</SessionID><Type>CALLLIST</Type><DATE>" + from.day +
           "</DATE><TIME>" + from.time + "</TIME></DNC>";
}

DownloadOutcome DownloadRequests(CSQLDirect& db, const std::string& sessionId, int empCode) {
    DownloadOutcome out;
    if (sessionId.empty())
        return out;
    out.ran = true;
    StartPoint from;
    if (!ReadStartPoint(db, from, out.notice))
        return out;
    std::string reply;
    if (!RequestPost(zmsg::OptOutUrl("/korvane/request.php"), EncodeOptOutBody(CallListXml(sessionId, from)),
                     reply, 0)) {
        out.notice = ServerNotice(K("수신거부요청 정보페이지가 응답하지 않습니다."));
        return out;
    }
    CallListReply parsed = ParseCallListReply(reply);
    if (!parsed.failure.empty()) {
        out.notice = parsed.failure;
        return out;
    }
    out.received = static_cast<int>(parsed.requests.size());
    out.skipped = static_cast<int>(parsed.skipped.size());
    for (const RefusalRequest& r : parsed.requests) {
        const int day = std::atoi(r.day.c_str());
        out.firstDay = out.firstDay == 0 ? day : std::min(out.firstDay, day);
        out.lastDay = std::max(out.lastDay, day);
    }
    for (const std::string& line : parsed.skipped)
        WriteLog(line, kServerLevel);
    out.store = StoreRequests(db, parsed.requests, empCode);
    if (!out.store.ok) {
        out.notice = out.store.failure;
        return out;
    }
    out.completed = true;
    out.notice.logLevel = -1;
    // The start point asks for the newest stored second again, so a reply may hold only what is
    // already stored: that is nothing new, not a completed receipt.
    if (out.store.stored == 0 && out.skipped == 0) {
        out.notice.text = K("추가된 수신거부 요청이 없습니다.");
        return out;
    }
    out.notice.text =
        K("데이타 수신이 완료되었습니다.") + K("\n저장 : ") + std::to_string(out.store.stored) + K(" 건");
    if (out.skipped > 0)
        out.notice.text += K("\n형식오류로 제외 : ") + std::to_string(out.skipped) + K(" 건 (로그 참조)");
    return out;
}

std::string RefusalPageUrl(const std::string& sessionId) {
    if (sessionId.empty())
        return zmsg::OptOutHost();
    return zmsg::OptOutUrl("/korvane/request.php") + "?" +
           EncodeOptOutBody("<DNC><SessionID>" + XmlText(sessionId) +
                            "</SessionID><Type>WEBPAGE</Type></DNC>");
}

UserNotice OpenRefusalPage(const std::string& sessionId) {
    if (OpenBrowser(RefusalPageUrl(sessionId)))
        return {};
    return UserNotice{K("수신거부페이지 호출이 실패하였습니다."), 1};
}
