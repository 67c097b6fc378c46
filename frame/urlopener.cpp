#include "frame/urlopener.h"

#include <cstdio>

namespace {
UrlOpener& opener() {
    static UrlOpener o;
    return o;
}
} // namespace

int OpenBrowser(const std::string& url) {
    if (opener())
        return opener()(url) ? 1 : 0;
    // No window system attached: there is no browser to open the page in.
    std::fprintf(stderr, "ZMSG: no browser available for %s\n", url.c_str());
    return 0;
}

UrlOpener SetUrlOpener(UrlOpener o) {
    UrlOpener old = std::move(opener());
    opener() = std::move(o);
    return old;
}

bool HasUrlOpener() {
    return static_cast<bool>(opener());
}
