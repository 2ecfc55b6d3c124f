#pragma once

#include <QStringView>

#include <memory>
#include <vector>

// Copies of many short texts, kept side by side in a few large blocks: keeping one costs no
// allocation of its own, and letting them all go costs one free per block, not one per text.
// A view that keep() returns stays valid as long as the KeptTexts does.
class KeptTexts {
public:
    QStringView keep(QStringView text);

private:
    struct Block {
        std::unique_ptr<char16_t[]> units;
        qsizetype size = 0;
        qsizetype used = 0;
    };

    std::vector<Block> m_blocks;
};
