// The SMS dialog's message colours, shared by the files that define its methods.
#pragma once

#include <cstdint>

#include <QPalette>
#include <QWidget>

#include "frame/widgets/colorref.h"

namespace smsdlg {

constexpr std::uint32_t kEditorOver = 0xE1E1FF;
constexpr std::uint32_t kEditorNormal = 0xFBF0DC;
// Backgrounds of the message area, so the kind chosen is visible at a glance.
constexpr std::uint32_t kSmsArea = 0xF7E7D2;
constexpr std::uint32_t kLmsArea = 0xD8EEFA;

inline void SetBackground(QWidget* widget, QPalette::ColorRole role, std::uint32_t ref) {
    QPalette palette = widget->palette();
    palette.setColor(role, zmsg::ColorFromRef(ref));
    widget->setPalette(palette);
}

} // namespace smsdlg
