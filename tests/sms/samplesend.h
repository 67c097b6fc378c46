// The send the send tests and the send benchmarks make: members 0 .. recipients-1 with the name and
// the points merged, as the SMS dialog fills it. Header only: the benchmarks build without the tests.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "sms/smssend.h"
#include "text/codec.h"

// phoneOf(i) is member i's number; `calls` is both the balance and the calls left.
inline SmsSendInput SampleSmsSend(int recipients, int batchSize, int32_t storeCode, double calls,
                                  std::string (*phoneOf)(int)) {
    using zmsg::K;
    SmsSendInput in;
    in.empCode = 1;
    in.targetType = 0;
    in.account.storeCode = storeCode;
    in.account.payType = 1;
    in.account.balance = calls;
    in.account.callsNow = static_cast<int>(calls);
    in.account.centerPhone = "1600-0000";
    in.batchSize = batchSize;
    in.message = K("{이름}님 감사합니다. 포인트 {포인트}점 '행복'마트");
    in.callbackField = "02-1234-5678";
    in.header1 = K("이름");
    in.header3 = K("포인트");
    in.header4 = K("최근방문");
    in.rows.reserve(static_cast<size_t>(recipients));
    for (int i = 0; i < recipients; ++i) {
        Recipient r;
        r.code = i + 1;
        r.name = K("회원") + std::to_string(i + 1);
        r.phone = phoneOf(i);
        r.text3 = std::to_string(i * 10);
        r.text4 = "2024-01-0" + std::to_string(i % 9 + 1);
        r.checked = true;
        r.bySms = true;
        in.rows.push_back(std::move(r));
    }
    in.draft.message = in.message;
    in.draft.callback = in.callbackField;
    return in;
}
