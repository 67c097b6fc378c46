#include "center/centerconfig.h"

#include "center/vexconfig.h"

namespace zmsg {

namespace {
std::string HostSetting(const char* key) {
    std::string host = CvexConfig("ZMSG").GetConfigString("CENTER", key);
    const size_t first = host.find_first_not_of(" \t");
    const size_t last = host.find_last_not_of(" \t");
    host = first == std::string::npos ? std::string() : host.substr(first, last - first + 1);
    while (!host.empty() && host.back() == '/')
        host.pop_back();
    return host.empty() ? std::string(kDefaultCenterHost) : host;
}
} // namespace

std::string CenterHost() {
    return HostSetting("Host");
}

std::string OptOutHost() {
    return HostSetting("OptOutHost");
}

std::string CenterUrl(std::string_view path) {
    return CenterHost() + std::string(path);
}

std::string OptOutUrl(std::string_view path) {
    return OptOutHost() + std::string(path);
}

} // namespace zmsg
