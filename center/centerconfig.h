// Where the service center and the opt-out server are: group "CENTER" of the module's settings
// (keys "Host" and "OptOutHost"), beside the batch size. Values carry the scheme, host and port,
// e.g. "http://127.0.0.1:8470".
#pragma once

#include <string>
#include <string_view>

namespace zmsg {

// The simulator's address: what a fresh installation talks to until the provider's host is set.
inline constexpr std::string_view kDefaultCenterHost = "http://127.0.0.1:8470";

// The setting without trailing slashes; the default when it is missing or blank.
std::string CenterHost();
std::string OptOutHost();
// Host followed by an address of the center ("/ZMSG/AppRequest.ashx") or of the opt-out server.
std::string CenterUrl(std::string_view path);
std::string OptOutUrl(std::string_view path);

} // namespace zmsg
