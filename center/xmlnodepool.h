// Storage of the nodes one parse creates, owned by the node parsed into. For the reader and the tree only.
#pragma once

#include <algorithm>
#include <cstddef>
#include <memory_resource>
#include <new>
#include <vector>

#include "center/xmlelement.h"

class XmlNodePool {
public:
    // textSize sizes the first blocks: a reply holds about one element per 20 to 30 bytes, so a
    // small one fits in a single block and a large one starts with its largest.
    explicit XmlNodePool(size_t textSize)
        : m_lists(std::clamp<size_t>(textSize / 8, 256, 64 << 10)),
          m_firstCapacity(std::clamp<size_t>(textSize / 24, 16, kMaxCapacity)) {}
    XmlNodePool(const XmlNodePool&) = delete;
    XmlNodePool& operator=(const XmlNodePool&) = delete;
    ~XmlNodePool() {
        for (Block& b : m_blocks) {
            for (size_t i = 0; i < b.used; ++i)
                b.nodes[i].~XmlElement();
            ::operator delete(b.nodes);
        }
    }

    XmlElement* New() {
        if (m_blocks.empty() || m_blocks.back().used == m_blocks.back().capacity) {
            const size_t capacity =
                m_blocks.empty() ? m_firstCapacity : std::min(m_blocks.back().capacity * 2, kMaxCapacity);
            m_blocks.push_back(
                {static_cast<XmlElement*>(::operator new(capacity * sizeof(XmlElement))), 0, capacity});
        }
        Block& b = m_blocks.back();
        XmlElement* node = new (b.nodes + b.used) XmlElement(&m_lists);
        ++b.used;
        return node;
    }

private:
    struct Block {
        XmlElement* nodes;
        size_t used;
        size_t capacity;
    };
    // Child lists are only ever dropped with the whole tree: nothing to give back one by one.
    static constexpr size_t kMaxCapacity = 4096;
    std::pmr::monotonic_buffer_resource m_lists;
    size_t m_firstCapacity;
    std::vector<Block> m_blocks;
};
