// A small JPEG for the image box: real bytes so a client can load what it downloads.
#pragma once

#include <string>

namespace zmsg::sim {

std::string SampleJpeg();

} // namespace zmsg::sim
