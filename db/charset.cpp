#include "db/charset.h"

#include "text/codec.h"

namespace zmsg::db {

std::string ToDatabase(Charset charset, std::string_view cp949) {
    return charset == Charset::Utf8 ? Cp949ToUtf8(cp949) : std::string(cp949);
}

std::string FromDatabase(Charset charset, std::string_view text) {
    return charset == Charset::Utf8 ? Utf8ToCp949Lossy(text) : std::string(text);
}

} // namespace zmsg::db
