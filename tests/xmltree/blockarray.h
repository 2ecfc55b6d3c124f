#pragma once

#include <cstddef>
#include <memory>
#include <vector>

// An array that grows a block of records at a time. A vector of millions of records is
// copied, and held twice over for a moment, each time it outgrows its capacity; these
// records never move, and a block's pages are only taken once they are written.
template<typename T> class BlockArray {
public:
    std::size_t size() const { return m_size; }

    const T &operator[](std::size_t index) const
    {
        return m_blocks[index >> blockBits][index & blockMask];
    }
    T &operator[](std::size_t index) { return m_blocks[index >> blockBits][index & blockMask]; }

    void push_back(const T &value)
    {
        if ((m_size & blockMask) == 0)
            m_blocks.push_back(std::make_unique_for_overwrite<T[]>(blockSize));
        m_blocks.back()[m_size & blockMask] = value;
        ++m_size;
    }

private:
    static constexpr int blockBits = 16;
    static constexpr std::size_t blockSize = std::size_t(1) << blockBits;
    static constexpr std::size_t blockMask = blockSize - 1;

    std::vector<std::unique_ptr<T[]>> m_blocks;
    std::size_t m_size = 0;
};
