#pragma once

// One filter slot of a project or source image: the filter key (empty, a built-in key beginning
// with "!", or the tree path of a light-filter node), the link to the light filter the key
// resolved to, and the factor in per cent.

#include "picNode.h"

#include "vbPtr.h"
#include "vbString.h"

class picChannelFilter {
public:
    picChannelFilter() = default;
    picChannelFilter(const picChannelFilter& other);
    picChannelFilter& operator=(const picChannelFilter& other);

    const vbString& GetKey() const { return m_key; }
    // A new key lets go of the filter the old one was linked to.
    void SetKey(const vbString& key);
    double GetFactor() const { return m_factor; }
    void SetFactor(double factor) { m_factor = factor; }

    // Whether the key names a light filter of the tree (not empty, no leading "!").
    bool IsNodeKey() const;

    // The linked filter, with a reference; false when none is linked.
    bool GetLinked(picNodePtr* out) const;
    bool IsLinkedTo(const picNode* node) const;
    // Links node (which must answer the filter identifier); unlinks when it refuses. Answers
    // whether the link holds.
    bool Link(picNode* node);
    void Unlink();

private:
    class FilterLink : public vbPtr<picNode, &IID_IpicLightFilter> {
    public:
        void set(picNode* node);
    };

    vbString m_key;
    FilterLink m_link;
    double m_factor = 100.0;
};
