#include "smms/smmsmembers.h"

#include <cstdio>

#include "center/vexglobal.h"
#include "members/recipientlist.h"
#include "text/codec.h"

using zmsg::K;

int ApplySmmsSignalFilter(RecipientList& list, const std::string& limitDate) {
    int checked = 0;
    for (size_t i = 0; i < list.size(); ++i) {
        Recipient& r = list[i];
        r.appUser = r.appDate.size() >= 10 && r.appDate.compare(0, 10, limitDate) >= 0;
        r.checked = r.appUser;
        checked += r.checked ? 1 : 0;
    }
    return checked;
}

int CountChecked(const RecipientList& list) {
    int checked = 0;
    for (const Recipient& r : list.rows())
        checked += r.checked ? 1 : 0;
    return checked;
}

int SmmsBodyBytes(std::string_view cp949) {
    int bytes = 0;
    for (size_t i = 0; i < cp949.size(); ++i)
        if (!(cp949[i] == '\r' && i + 1 < cp949.size() && cp949[i + 1] == '\n'))
            ++bytes;
    return bytes;
}

std::string SmmsCounterText(int bytes) {
    char text[32];
    std::snprintf(text, sizeof text, "%d/%d", bytes, kSmmsBodyLimit);
    return text;
}

ManualAddVerdict CheckManualAdd(const RecipientList& list, std::string_view digits) {
    ManualAddVerdict verdict;
    if (digits.size() < 9 || digits.size() > 14) {
        verdict.message = K("추가하실 전화번호를 9자리 이상, 14자리 이하로 입력해 주십시오.");
        return verdict;
    }
    const int found = list.FindPhone(digits);
    if (found >= 0) {
        verdict.duplicateRow = found + 1;
        verdict.message = K("전화번호가 목록상의 ") + std::to_string(found + 1) + K("행과 중복됩니다.");
    }
    return verdict;
}
