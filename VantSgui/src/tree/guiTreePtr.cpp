#include "guiTreePtr.h"

guiTreePtr::guiTreePtr(IguiTreeNodeContainer* owner, bool strong) : m_owner(owner), m_bStrong(strong) {}

guiTreePtr::guiTreePtr(const guiTreePtr& o) : Base(o), m_bStrong(false) { AskLoad(vbDnPriority1); }

guiTreePtr& guiTreePtr::operator=(const guiTreePtr& o)
{
    Base::operator=(o);
    AskLoad(vbDnPriority1);
    return *this;
}

void guiTreePtr::Load(const vbString& url)
{
    SetUrlKey(url, GetKey());
    AskLoad(vbDnPriority3);
}

IvbDnObject* guiTreePtr::CreateObject()
{
    IvbDnObject* created = Base::CreateObject();
    if (guiTreeNode* node = Get(); node && !m_owner.IsNull())
        node->SetContainer(m_owner, m_bStrong);
    return created;
}

bool guiTreePtr::IsCacheable() const { return false; }
