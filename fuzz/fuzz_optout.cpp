// Replies of the opt-out server, once converted to CP949: whatever the bytes, reading them must not
// fault, and what is taken of a reply must hold only what the store may receive.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "optout/optoutreply.h"

namespace {

void Check(bool ok) {
    if (!ok)
        std::abort();
}

bool Digits(std::string_view text, size_t from, size_t to) {
    if (text.size() < from || text.size() > to)
        return false;
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    const AuthRead auth = ReadAuthXml(text);
    if (auth.check == ReplyCheck::Ok)
        Check(auth.result == 1000);
    else
        Check(auth.sessionId.empty() && auth.number080.empty() && auth.result != 1000);

    const CallListRead list = ReadCallListXml(text);
    if (list.check != ReplyCheck::Ok) {
        Check(list.requests.empty());
        return 0;
    }
    // Every LIST is either taken or named as skipped; a reply of only bad records takes none.
    Check(list.result == 1000 && !(list.requests.empty() && list.skipped.empty()));
    for (const RefusalRequest& r : list.requests) {
        Check(Digits(r.day, 8, 8));
        Check(Digits(r.time, 1, 9));
        Check(Digits(r.calledNumber, 1, 20));
        Check(Digits(r.refusingNumber, 1, 20));
    }
    return 0;
}
