#include "frame/fileversion.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <fstream>
#include <iterator>
#include <unistd.h>

// The build's project version, kept in a section of its own so it survives stripping and the
// version script; GetFileVersion finds it by its marker, as a resource reader would.
extern "C" __attribute__((used, section(".zmsg_version"))) const char zmsg_file_version_note[] =
    "ZMSG-FILE-VERSION=" ZMSG_VERSION_STRING ";";

namespace {
const char kMarker[] = "ZMSG-FILE-VERSION=";
}

bool GetFileVersion(const std::string& path, uint16_t& v1, uint16_t& v2, uint16_t& v3, uint16_t& v4) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    const std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const size_t markerLen = sizeof kMarker - 1;
    for (size_t pos = data.find(kMarker); pos != std::string::npos; pos = data.find(kMarker, pos + 1)) {
        // The marker text also stands alone in the reader's constants; only a full "a.b.c.d;" counts.
        const size_t end = data.find(';', pos + markerLen);
        if (end == std::string::npos || end - pos > markerLen + 24)
            continue;
        const std::string value = data.substr(pos + markerLen, end - pos - markerLen);
        unsigned a, b, c, d;
        char tail;
        if (std::sscanf(value.c_str(), "%u.%u.%u.%u%c", &a, &b, &c, &d, &tail) == 4 && a <= 0xFFFF &&
            b <= 0xFFFF && c <= 0xFFFF && d <= 0xFFFF) {
            v1 = static_cast<uint16_t>(a);
            v2 = static_cast<uint16_t>(b);
            v3 = static_cast<uint16_t>(c);
            v4 = static_cast<uint16_t>(d);
            return true;
        }
    }
    return false;
}

std::string GetOwnModulePath() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<const void*>(&GetOwnModulePath), &info) != 0 && info.dli_fname &&
        std::strstr(info.dli_fname, ".so")) {
        char* real = realpath(info.dli_fname, nullptr);
        std::string path = real ? real : info.dli_fname;
        free(real);
        return path;
    }
    // Linked into an executable: dladdr only knows argv[0], the kernel's link knows the file.
    char buf[4096];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    return n > 0 ? std::string(buf, static_cast<size_t>(n)) : std::string();
}
