#include "center/replyreader.h"

#include "center/vexglobal.h"
#include "text/codec.h"

namespace zmsg {

std::string ConvertReply(std::string_view utf8) {
    return CvexGlobal::EncodeUTF8ToANSI(utf8);
}

bool IsPositiveReply(std::string_view reply, size_t minLength) {
    return reply.size() >= minLength && HasStatus(reply, '1');
}

bool HasStatus(std::string_view reply, char code) {
    return reply.size() >= 2 && reply[0] == code && reply[1] == ':';
}

bool HasReason(std::string_view reply) {
    return reply.size() >= 2 && reply[1] == ':';
}

std::string ReasonSuffix(std::string_view reply) {
    if (!HasReason(reply))
        return {};
    return K("\n\n☞ ") + std::string(reply.substr(2));
}

} // namespace zmsg
