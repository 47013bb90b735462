#include "picNode.h"

#include "vbException.h"

// The project tree is not kept in the registry yet.
namespace {

[[noreturn]] void notYet(const char* what)
{
    throw new vbEsys(true, E_NOTIMPL, "%s : the registry form of the tree is not supported yet", what);
}

} // namespace

void picNode::LoadFromRegKey(vbRegKey&) { notYet("picNode::LoadFromRegKey()"); }
void picNode::SaveToRegKey(vbRegKey&) { notYet("picNode::SaveToRegKey()"); }
void picNode::LoadValues(vbRegKey&) { notYet("picNode::LoadValues()"); }
void picNode::SaveValues(vbRegKey&) { notYet("picNode::SaveValues()"); }
