// Cell text formats as the grid's callers pass them: the classic DT_* text-drawing bits.
#pragma once

#include <cstdint>

#include <Qt>

enum : std::uint32_t {
    DT_LEFT = 0x0,
    DT_CENTER = 0x1,
    DT_RIGHT = 0x2,
    DT_VCENTER = 0x4,
    DT_BOTTOM = 0x8,
    DT_WORDBREAK = 0x10,
    DT_SINGLELINE = 0x20,
    DT_NOPREFIX = 0x800,
    DT_END_ELLIPSIS = 0x8000,
};

namespace zmsg {

inline Qt::Alignment AlignmentOfFormat(std::uint32_t format) {
    const Qt::Alignment h = (format & DT_CENTER)  ? Qt::AlignHCenter
                            : (format & DT_RIGHT) ? Qt::AlignRight
                                                  : Qt::AlignLeft;
    const Qt::Alignment v = (format & DT_VCENTER)  ? Qt::AlignVCenter
                            : (format & DT_BOTTOM) ? Qt::AlignBottom
                                                   : Qt::AlignTop;
    return h | v;
}

} // namespace zmsg
