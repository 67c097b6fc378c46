#include "optout/optoutreply.h"

#include <algorithm>
#include <cstdlib>

#include "center/xmlelement.h"

namespace {

bool AllDigits(std::string_view text, size_t minLength, size_t maxLength) {
    return text.size() >= minLength && text.size() <= maxLength &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string WithoutSeparators(std::string_view text) {
    std::string out;
    for (char c : text)
        if (c != '-' && c != ' ' && c != '\t')
            out += c;
    return out;
}

bool Child(const XmlElement& node, std::string_view name, std::string& text) {
    const XmlElement* child = FindChild(node, name);
    if (!child)
        return false;
    text = InnerText(*child);
    return true;
}

// Result and Message, common to both replies. False when one is missing (check says which).
template <typename Reply> bool ReadHead(const XmlElement& root, Reply& out) {
    std::string code;
    if (!Child(root, "Result", code)) {
        out.check = ReplyCheck::NoResult;
        return false;
    }
    const int result = std::atoi(code.c_str());
    if (!Child(root, "Message", out.message)) {
        out.check = ReplyCheck::NoMessage;
        return false;
    }
    out.result = result;
    if (result != 1000) {
        out.check = ReplyCheck::NotAccepted;
        return false;
    }
    return true;
}

} // namespace

AuthRead ReadAuthXml(std::string_view cp949) {
    AuthRead out;
    XmlElement root;
    // A malformed reply shows up as missing elements; the parse result itself says nothing more.
    ParseElement(root, cp949);
    if (!ReadHead(root, out))
        return out;
    out.check = !Child(root, "SessionID", out.sessionId) ? ReplyCheck::NoSessionId
                : !Child(root, "RNumber", out.number080) ? ReplyCheck::NoNumber080
                                                         : ReplyCheck::Ok;
    if (out.check != ReplyCheck::Ok) {
        out.result = -1;
        out.sessionId.clear();
        out.number080.clear();
    }
    return out;
}

CallListRead ReadCallListXml(std::string_view cp949) {
    CallListRead out;
    XmlElement root;
    ParseElement(root, cp949);
    if (!ReadHead(root, out))
        return out;
    const auto lists = FindChildren(root, "LIST");
    if (lists.empty()) {
        out.check = ReplyCheck::NoList;
        return out;
    }
    std::vector<RefusalRequest> requests;
    requests.reserve(lists.size());
    int index = 0;
    for (const XmlElement* list : lists) {
        ++index;
        RefusalRequest r;
        std::string date;
        ReplyCheck check = !Child(*list, "DATE", date)            ? ReplyCheck::NoDate
                           : !Child(*list, "TIME", r.time)        ? ReplyCheck::NoTime
                           : !Child(*list, "CN", r.calledNumber)  ? ReplyCheck::NoCalledNumber
                           : !Child(*list, "P", r.refusingNumber) ? ReplyCheck::NoCaller
                                                                  : ReplyCheck::Ok;
        SkippedRecord skipped{index, check, date, r.time, r.calledNumber, r.refusingNumber};
        if (check == ReplyCheck::Ok) {
            // Hyphens and blanks are how people write numbers; the digits are the number.
            std::erase(date, '-');
            r.day = date;
            r.calledNumber = WithoutSeparators(r.calledNumber);
            r.refusingNumber = WithoutSeparators(r.refusingNumber);
            // Every value below ends up in the store: it is taken only as the digits it must be. A time
            // fits a 32-bit integer; a number fits its column.
            check = !AllDigits(r.day, 8, 8)               ? ReplyCheck::BadDate
                    : !AllDigits(r.time, 1, 9)            ? ReplyCheck::BadTime
                    : !AllDigits(r.calledNumber, 1, 20)   ? ReplyCheck::BadCalledNumber
                    : !AllDigits(r.refusingNumber, 1, 20) ? ReplyCheck::BadCaller
                                                          : ReplyCheck::Ok;
        }
        if (check != ReplyCheck::Ok) {
            skipped.check = check;
            out.skipped.push_back(std::move(skipped));
            continue;
        }
        requests.push_back(std::move(r));
    }
    out.check = ReplyCheck::Ok;
    out.requests = std::move(requests);
    return out;
}
