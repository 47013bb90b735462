#pragma once

// The adaptive Huffman models of the QVLZSS coder. Writer and reader count every symbol they code
// and rebuild the codes from the counts at the same moments, so no code table is ever stored.

#include "vbExport.h"

#include <cstddef>
#include <cstdint>
#include <vector>

struct vbHuffmanNode {
    uint32_t weight;
    int32_t parent;
    int32_t child0; // branch bit 0
    int32_t child1; // branch bit 1
    bool active;
    uint8_t branch;
};

// A code: its length in bits and the bits, the root's branch first (in the high end).
struct vbHuffmanOutput {
    uint32_t length;
    uint16_t bits;
};

// Builds the codes of the n leaves nodes[0..n-1] (nodes holds 2n-1 entries, codes n). At each
// step the two held nodes are taken by the rule "weight <= the held weight of previous or of
// last", the newest on branch 0; a tree deeper than 16 quarters the leaf weights and starts again.
// A rebuild halves the leaf weights afterwards.
VBAPI void vbHuffmanGenerate(vbHuffmanNode* nodes, int n, vbHuffmanOutput* codes, bool rebuild);

class VBAPI vbHuffmanModel {
public:
    static constexpr uint32_t kLongInterval = 8192;
    static constexpr int kTableBits = 10;

    // decodeTable: keep a lookup table of the first kTableBits bits for the reader.
    vbHuffmanModel(int symbols, uint32_t step, bool decodeTable);

    // All weights 1, the countdown at its start, codes built.
    void Init();
    const vbHuffmanOutput& Code(int symbol) const { return m_codes[symbol]; }
    // Counts a coded symbol and rebuilds the codes when the countdown runs out.
    void Count(int symbol)
    {
        ++m_nodes[symbol].weight;
        if (--m_countdown == 0)
            countdownEnded();
    }

    // The reader's lookup of the next kTableBits bits: a leaf (symbol and code length) or an
    // internal node at that depth from which the walk goes on bit by bit.
    struct Entry {
        uint16_t node;
        uint8_t length;
        bool leaf;
    };
    const Entry& Lookup(uint32_t bits) const { return m_table[bits]; }
    const vbHuffmanNode& Node(int index) const { return m_nodes[index]; }
    int Symbols() const { return m_symbols; }
    std::vector<uint32_t> Weights() const;
    size_t MemoryUsage() const;

private:
    void countdownEnded();
    void build(bool rebuild);
    void fillTable(int node, int depth, uint32_t prefix);

    int m_symbols;
    uint32_t m_step;
    uint32_t m_countdown = 0;
    uint32_t m_total = 0;
    bool m_long = false;
    bool m_decodeTable;
    std::vector<vbHuffmanNode> m_nodes;
    std::vector<vbHuffmanOutput> m_codes;
    std::vector<Entry> m_table;
};
