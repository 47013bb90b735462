#include "picChannelFilter.h"

picChannelFilter::picChannelFilter(const picChannelFilter& other) : m_key(other.m_key), m_factor(other.m_factor)
{
    picNodePtr node;
    if (other.GetLinked(&node))
        Link(node);
}

picChannelFilter& picChannelFilter::operator=(const picChannelFilter& other)
{
    if (this == &other)
        return *this;
    m_key = other.m_key;
    m_factor = other.m_factor;
    picNodePtr node;
    if (other.GetLinked(&node))
        Link(node);
    else
        Unlink();
    return *this;
}

void picChannelFilter::SetKey(const vbString& key)
{
    if (key == m_key)
        return;
    m_key = key;
    Unlink();
}

bool picChannelFilter::IsNodeKey() const { return !m_key.IsEmpty() && m_key[1] != '!'; }

bool picChannelFilter::GetLinked(picNodePtr* out) const
{
    return const_cast<FilterLink&>(m_link).GetRefPtr(out);
}

bool picChannelFilter::IsLinkedTo(const picNode* node) const
{
    picNodePtr linked;
    return GetLinked(&linked) && linked.Get() == node;
}

bool picChannelFilter::Link(picNode* node)
{
    m_link.set(node);
    return m_link.IsAttached();
}

void picChannelFilter::Unlink() { m_link.set(nullptr); }

void picChannelFilter::FilterLink::set(picNode* node)
{
    attach(node ? static_cast<IguiTreeNode*>(node) : nullptr, false);
}
