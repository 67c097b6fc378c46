#include "center/web/pagecommand.h"

namespace zmsg {

int FindPageCommand(std::string_view url, const std::vector<std::string>& words) {
    for (size_t i = 0; i < words.size(); ++i)
        if (!words[i].empty() && url.find(words[i]) != std::string_view::npos)
            return static_cast<int>(i);
    return -1;
}

} // namespace zmsg
