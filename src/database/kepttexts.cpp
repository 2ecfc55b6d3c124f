#include "kepttexts.h"

#include <algorithm>

namespace {

// 32 KiB: few blocks for many names, and below the size the C library maps for itself.
constexpr qsizetype unitsPerBlock = 16 * 1024;

} // namespace

QStringView KeptTexts::keep(QStringView text)
{
    if (m_blocks.empty() || m_blocks.back().size - m_blocks.back().used < text.size()) {
        const qsizetype size = std::max(unitsPerBlock, text.size());
        m_blocks.push_back(
            { std::make_unique_for_overwrite<char16_t[]>(std::size_t(size)), size, 0 });
    }
    Block &block = m_blocks.back();
    char16_t *start = block.units.get() + block.used;
    std::copy(text.utf16(), text.utf16() + text.size(), start);
    block.used += text.size();
    return QStringView(start, text.size());
}
