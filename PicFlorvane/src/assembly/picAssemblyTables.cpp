#include "assembly/picAssemblyTables.h"

bool picAssemblyTables::fill(picSpectralTable& table, sIpicFilterSource* slot)
{
    if (m_mode == curves)
        return fillCurveTable(table, *slot);
    fillFilterTable(table, *slot);
    return true;
}

bool picAssemblyTables::setOutput(sIpicFilterSource* const slots[3])
{
    for (int c = 0; c < outputCount(); ++c) {
        m_outputSlots[c] = slots[c];
        if (!fill(m_output[c], slots[c]))
            return false;
    }
    return true;
}

picAssemblyTables::AddResult picAssemblyTables::addSource(bool mono, sIpicFilterSource* const slots[3])
{
    Source& s = m_sources.emplace_back();
    s.mono = mono;
    bool hasPoints = false;
    for (int n = 0; n < (mono ? 1 : 3); ++n) {
        s.slots[n] = slots[n];
        if (!fill(s.tables[n], slots[n])) {
            m_sources.pop_back();
            return needBands;
        }
        hasPoints = hasPoints || s.tables[n].GetCount() > 0;
    }
    if (m_mode == bands)
        mergeIntoOutput(s);
    if (!hasPoints) {
        m_sources.pop_back();
        return dropped;
    }
    return kept;
}

// A monochrome source's light reaches every output channel; a colour source's channels reach
// their own channel, or all of them the single channel of a monochrome project.
void picAssemblyTables::mergeIntoOutput(const Source& s)
{
    if (s.mono) {
        for (int c = 0; c < outputCount(); ++c)
            mergeKeys(m_output[c], s.tables[0]);
    } else if (m_mono) {
        for (int n = 0; n < 3; ++n)
            mergeKeys(m_output[0], s.tables[n]);
    } else {
        for (int n = 0; n < 3; ++n)
            mergeKeys(m_output[n], s.tables[n]);
    }
}

void picAssemblyTables::mergeFromOutput(Source& s)
{
    if (m_mono) {
        for (int n = 0; n < (s.mono ? 1 : 3); ++n)
            mergeKeys(s.tables[n], m_output[0]);
    } else if (s.mono) {
        for (int c = 0; c < 3; ++c)
            mergeKeys(s.tables[0], m_output[c]);
    } else {
        for (int n = 0; n < 3; ++n)
            mergeKeys(s.tables[n], m_output[n]);
    }
}

void picAssemblyTables::complete()
{
    for (Source& s : m_sources) {
        if (m_mode == bands)
            mergeFromOutput(s);
        for (int n = 0; n < (s.mono ? 1 : 3); ++n)
            completeTable(s.tables[n], *s.slots[n]);
    }
    if (m_mode == curves)
        return;
    for (int c = 0; c < outputCount(); ++c)
        completeTable(m_output[c], *m_outputSlots[c]);
}
