// Colours arrive as the classic 0x00BBGGRR value (red in the low byte).
#pragma once

#include <cstdint>

#include <QColor>

namespace zmsg {

// "No colour of its own": the widget's palette decides.
constexpr std::uint32_t kDefaultColor = 0xFF000000;

inline QColor ColorFromRef(std::uint32_t ref) {
    return QColor(static_cast<int>(ref & 0xFF), static_cast<int>((ref >> 8) & 0xFF),
                  static_cast<int>((ref >> 16) & 0xFF));
}

} // namespace zmsg
