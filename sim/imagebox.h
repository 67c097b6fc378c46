// The store's image box at the center: pictures a store keeps there and picks on the image box page
// instead of uploading one. Every store with an app account has the same three (box 1, images 1 to 3),
// real JPEG bytes (drawn when first asked for) so a client can show what it downloads.
//
//   GET /SMMS/ImageBox/<mart>/<box>_<img>.jpg   the picture (verb DOWNLOAD)
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace zmsg::sim {

struct ImageBoxPicture {
    int box;
    int image;
    const char* title; // UTF-8, shown under the picture on the page
};
const std::vector<ImageBoxPicture>& ImageBoxPictures();

// "/SMMS/ImageBox/<mart>/<box>_<img>.jpg"
std::string ImageBoxPath(int mart, int box, int image);
// The picture's bytes; nullopt for a box or image the image box does not hold.
std::optional<std::string> ImageBoxJpeg(int box, int image);

struct ImageBoxAddress {
    int mart = 0;
    int box = 0;
    int image = 0;
};
// The parts of an image-box path, exactly as ImageBoxPath writes it; nullopt for anything else.
std::optional<ImageBoxAddress> ParseImageBoxPath(const std::string& path);

} // namespace zmsg::sim
