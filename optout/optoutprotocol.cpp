#include "optout/optoutprotocol.h"

#include <cstdlib>

#include "center/centerconfig.h"
#include "center/requestclient.h"
#include "center/text/codec.h"
#include "center/vexglobal.h"
#include "center/xmlelement.h"
#include "frame/urlopener.h"

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

bool AllDigits(std::string_view text, size_t minLength, size_t maxLength) {
    if (text.size() < minLength || text.size() > maxLength)
        return false;
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    return true;
}

std::string ChildText(const XmlElement& node, std::string_view name, bool& found) {
    const XmlElement* child = FindChild(node, name);
    found = child != nullptr;
    return child ? InnerText(*child) : std::string();
}

std::string StatusSuffix(int code) {
    return K("(상태확인-응답코드:") + std::to_string(code) + ")";
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
    OptOutAuth out;
    XmlElement root;
    // A malformed reply shows up as missing elements; the parse result itself says nothing more.
    ParseElement(root, CvexGlobal::EncodeUTF8ToANSI(utf8Reply));
    bool found = false;
    const std::string code = ChildText(root, "Result", found);
    if (!found) {
        out.message = formatText + "(AUTH_Result)";
        return out;
    }
    const int result = std::atoi(code.c_str());
    const std::string message = ChildText(root, "Message", found);
    if (!found) {
        out.message = formatText + "(AUTH_Message)";
        return out;
    }
    if (result != 1000) {
        out.result = result;
        out.message = message + StatusSuffix(result);
        return out;
    }
    const std::string session = ChildText(root, "SessionID", found);
    if (!found) {
        out.message = formatText + "(AUTH_SessionID)";
        return out;
    }
    const std::string number = ChildText(root, "RNumber", found);
    if (!found) {
        out.message = formatText + "(AUTH_RNumber)";
        return out;
    }
    out.result = 1000;
    out.sessionId = session;
    out.number080 = number;
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
    const std::string format = K("수신거부리스트 응답형식오류");
    CallListReply out;
    XmlElement root;
    ParseElement(root, CvexGlobal::EncodeUTF8ToANSI(utf8Reply));
    bool found = false;
    const std::string code = ChildText(root, "Result", found);
    if (!found) {
        out.failure = ServerNotice(format + "(Request_CallList)");
        return out;
    }
    out.result = std::atoi(code.c_str());
    const std::string message = ChildText(root, "Message", found);
    if (!found) {
        out.failure = ServerNotice(format + "(Request_Message)");
        return out;
    }
    if (out.result == 2000) {
        out.failure = ServerNotice(K("추가된 수신거부 요청이 없습니다."));
        return out;
    }
    if (out.result != 1000) {
        out.failure = ServerNotice(message + StatusSuffix(out.result));
        return out;
    }
    const auto lists = FindChildren(root, "LIST");
    if (lists.empty()) {
        out.failure = ServerNotice(format + "(Request_LIST)");
        return out;
    }
    std::vector<RefusalRequest> requests;
    requests.reserve(lists.size());
    for (const XmlElement* list : lists) {
        RefusalRequest r;
        const char* missing = nullptr;
        std::string date = ChildText(*list, "DATE", found);
        if (!found)
            missing = "DATE";
        if (!missing) {
            r.time = ChildText(*list, "TIME", found);
            if (!found)
                missing = "TIME";
        }
        if (!missing) {
            r.calledNumber = ChildText(*list, "CN", found);
            if (!found)
                missing = "CN";
        }
        if (!missing) {
            r.refusingNumber = ChildText(*list, "P", found);
            if (!found)
                missing = "P";
        }
        if (missing) {
            out.failure = ServerNotice(format + "(Request_pChild_" + missing + ")");
            return out;
        }
        std::erase(date, '-');
        if (!AllDigits(date, 8, 8)) {
            out.failure = ServerNotice(K("요청일자 형식이 올바르지 않습니다."));
            return out;
        }
        r.day = date;
        // Every value below ends up in the store: it is taken only as the digits it must be. A time
        // fits a 32-bit integer; a number fits the column.
        const char* bad = !AllDigits(r.time, 1, 9)              ? "TIME"
                          : !AllDigits(r.calledNumber, 1, 20)   ? "CN"
                          : !AllDigits(r.refusingNumber, 1, 20) ? "P"
                                                                : nullptr;
        if (bad) {
            out.failure = ServerNotice(format + "(Request_pChild_" + bad + ")");
            return out;
        }
        requests.push_back(std::move(r));
    }
    out.requests = std::move(requests);
    return out;
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
    out.store = StoreRequests(db, parsed.requests, empCode);
    if (!out.store.ok) {
        out.notice = out.store.failure;
        return out;
    }
    out.completed = true;
    // The start point asks for the newest stored second again, so a reply may hold only what is
    // already stored: that is nothing new, not a completed receipt.
    out.notice.text =
        out.store.stored > 0 ? K("데이타 수신이 완료되었습니다.") : K("추가된 수신거부 요청이 없습니다.");
    out.notice.logLevel = -1;
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
