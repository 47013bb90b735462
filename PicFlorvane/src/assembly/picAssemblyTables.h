#pragma once

// The tables of one assembly run: the output tables T1..T3 from the project's filter slots and
// S1..S3 of every source, filled, merged and completed in the order the two workers need.

#include "picWavelengthTable.h"

#include <deque>

class picAssemblyTables {
public:
    enum Mode { bands, curves };
    enum AddResult {
        dropped,   // no table has points: the source gives nothing
        kept,
        needBands, // a band key in curve mode: the band worker takes over
    };

    picAssemblyTables(Mode mode, bool monoProject) : m_mode(mode), m_mono(monoProject) { }

    // T1, and T2 and T3 for a colour project. False in curve mode when a slot holds a band key.
    bool setOutput(sIpicFilterSource* const slots[3]);
    // The next source's tables from its slots (C1 only when it is monochrome). The slots must
    // live until complete().
    AddResult addSource(bool mono, sIpicFilterSource* const slots[3]);
    // Values and statistics of every table the pixels use.
    void complete();

    int GetSourceCount() const { return static_cast<int>(m_sources.size()); }
    // Channel c (0 red, 1 green, 2 blue).
    const picSpectralTable* output(int c) const { return &m_output[c]; }
    // Slot n (0..2) of source i (from 0).
    const picSpectralTable* source(int i, int n) const { return &m_sources[static_cast<size_t>(i)].tables[n]; }

private:
    struct Source {
        bool mono = false;
        picSpectralTable tables[3];
        sIpicFilterSource* slots[3] = {};
    };

    int outputCount() const { return m_mono ? 1 : 3; }
    bool fill(picSpectralTable& table, sIpicFilterSource* slot);
    void mergeIntoOutput(const Source& s);
    void mergeFromOutput(Source& s);

    Mode m_mode;
    bool m_mono;
    picSpectralTable m_output[3];
    sIpicFilterSource* m_outputSlots[3] = {};
    std::deque<Source> m_sources; // stable addresses for the kernels
};
