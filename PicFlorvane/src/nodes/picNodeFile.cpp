#include "picNode.h"
#include "picProjectFile.h"

#include "vbException.h"

// Project files are not written or read yet.
namespace {

[[noreturn]] void notYet(const char* what)
{
    throw new vbEsys(true, E_NOTIMPL, "%s : project files are not supported yet", what);
}

} // namespace

void picNode::ReadTree(picFileContext&, IvbInputStream*) { notYet("picNode::ReadTree()"); }
void picNode::WriteTree(picFileContext&, IvbOutputStream*) { notYet("picNode::WriteTree()"); }
void picNode::ImportFile(sIpicMainWnd*, const vbString&) { notYet("picNode::ImportFile()"); }
void picNode::ReadValues(picFileContext&, IvbInputStream*) { notYet("picNode::ReadValues()"); }
void picNode::WriteValues(picFileContext&, IvbOutputStream*) { notYet("picNode::WriteValues()"); }

void exportProjectFile(sIpicMainWnd*, picNode*, const vbString&, bool) { notYet("exportProjectFile()"); }
