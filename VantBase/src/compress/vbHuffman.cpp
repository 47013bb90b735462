#include "compress/vbHuffman.h"

#include <algorithm>
#include <cstddef>
#include <vector>

namespace {

constexpr uint32_t kMaxDepth = 16;

// Pairs the active nodes into a tree whose root is 2n-2. Each step scans the active nodes in index
// order; they are kept in a list of their own, so the scan passes over none that is paired.
void pairNodes(vbHuffmanNode* nodes, int n)
{
    std::vector<int> active(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        nodes[i].active = true;
        nodes[i].parent = -1;
        active[size_t(i)] = i;
    }
    for (int k = n; k < 2 * n - 1; ++k) {
        size_t lastAt = 0, previousAt = 0;
        uint32_t wLast = 0xFFFFFFFFu, wPrevious = 0xFFFFFFFFu;
        for (size_t at = 0; at < active.size(); ++at) {
            uint32_t w = nodes[active[at]].weight;
            if (w <= wPrevious || w <= wLast) {
                previousAt = lastAt;
                wPrevious = wLast;
                lastAt = at;
                wLast = w;
            }
        }
        const int last = active[lastAt], previous = active[previousAt];
        active.erase(active.begin() + std::ptrdiff_t(std::max(lastAt, previousAt)));
        active.erase(active.begin() + std::ptrdiff_t(std::min(lastAt, previousAt)));
        active.push_back(k);
        vbHuffmanNode& node = nodes[k];
        node.weight = wLast + wPrevious;
        node.child0 = last;
        node.child1 = previous;
        node.parent = -1;
        node.active = true;
        nodes[last].active = false;
        nodes[last].parent = k;
        nodes[last].branch = 0;
        nodes[previous].active = false;
        nodes[previous].parent = k;
        nodes[previous].branch = 1;
    }
}

// Codes from the leaves up; false when a leaf lies deeper than 16.
bool makeCodes(const vbHuffmanNode* nodes, int n, vbHuffmanOutput* codes)
{
    for (int i = 0; i < n; ++i) {
        uint32_t length = 0, bits = 0;
        for (int x = i; nodes[x].parent >= 0; x = nodes[x].parent) {
            if (length == kMaxDepth)
                return false;
            bits |= uint32_t(nodes[x].branch) << length;
            ++length;
        }
        codes[i].length = length;
        codes[i].bits = static_cast<uint16_t>(bits);
    }
    return true;
}

} // namespace

void vbHuffmanGenerate(vbHuffmanNode* nodes, int n, vbHuffmanOutput* codes, bool rebuild)
{
    if (n == 1) {
        nodes[0].parent = -1;
        nodes[0].active = true;
        codes[0] = {0, 0};
    } else {
        for (;;) {
            pairNodes(nodes, n);
            if (makeCodes(nodes, n, codes))
                break;
            for (int i = 0; i < n; ++i)
                nodes[i].weight = (nodes[i].weight >> 2) | 1;
        }
    }
    if (rebuild) {
        for (int i = 0; i < n; ++i)
            nodes[i].weight = (nodes[i].weight >> 1) | 1;
    }
}

vbHuffmanModel::vbHuffmanModel(int symbols, uint32_t step, bool decodeTable)
    : m_symbols(symbols), m_step(step), m_decodeTable(decodeTable), m_nodes(2 * symbols - 1), m_codes(symbols)
{
    if (decodeTable)
        m_table.resize(size_t(1) << kTableBits);
}

void vbHuffmanModel::Init()
{
    for (int i = 0; i < m_symbols; ++i)
        m_nodes[i].weight = 1;
    m_countdown = m_step;
    m_total = m_step;
    m_long = false;
    build(false);
}

void vbHuffmanModel::countdownEnded()
{
    if (!m_long) {
        m_total += m_step;
        if (m_total >= kLongInterval)
            m_long = true;
        m_countdown = m_step;
    } else {
        m_countdown = kLongInterval;
    }
    build(true);
}

void vbHuffmanModel::build(bool rebuild)
{
    vbHuffmanGenerate(m_nodes.data(), m_symbols, m_codes.data(), rebuild);
    if (m_decodeTable)
        fillTable(2 * m_symbols - 2, 0, 0);
}

void vbHuffmanModel::fillTable(int node, int depth, uint32_t prefix)
{
    const vbHuffmanNode& x = m_nodes[node];
    if (node < m_symbols) {
        uint32_t span = 1u << (kTableBits - depth);
        Entry e{static_cast<uint16_t>(node), static_cast<uint8_t>(depth), true};
        for (uint32_t i = 0; i < span; ++i)
            m_table[(prefix << (kTableBits - depth)) + i] = e;
    } else if (depth == kTableBits) {
        m_table[prefix] = Entry{static_cast<uint16_t>(node), static_cast<uint8_t>(depth), false};
    } else {
        fillTable(x.child0, depth + 1, prefix << 1);
        fillTable(x.child1, depth + 1, (prefix << 1) | 1);
    }
}

std::vector<uint32_t> vbHuffmanModel::Weights() const
{
    std::vector<uint32_t> w(m_symbols);
    for (int i = 0; i < m_symbols; ++i)
        w[i] = m_nodes[i].weight;
    return w;
}

size_t vbHuffmanModel::MemoryUsage() const
{
    return m_nodes.size() * sizeof(vbHuffmanNode) + m_codes.size() * sizeof(vbHuffmanOutput)
        + m_table.size() * sizeof(Entry);
}
