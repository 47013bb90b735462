#include "picInstanceMsg.h"

#include "vbException.h"
#include "vbMemoryStream.h"
#include "vbVantMsgEngine.h"

#include <cstring>

vbExtraMsg g_picInstanceMsg("KVX PICflorvane Message");
vbExtraDataMsg g_picInstanceDataMsg("KVX PICflorvane data message");

namespace {

using MemoryStreamPtr = vbRefPtr<vbMemoryStream, &IID_vbMemoryStream>;

constexpr const char* kImportCommand = "Import";

void postValue(DWORD value)
{
    vbLock engineLock;
    if (g_vbVantMsgEngine.IsNowStarted(&engineLock))
        g_vbVantMsgEngine.Post(nullptr, g_picInstanceMsg, value, 0);
}

} // namespace

void postStopToInstances() { postValue(0); }

void postShowToInstances() { postValue(1); }

void postImportToInstances(const vbArray<vbString>& files, int count)
{
    vbLock engineLock;
    if (!g_vbVantMsgEngine.IsNowStarted(&engineLock))
        return;
    vbData block;
    picBuildImportBlock(files, count, &block);
    g_vbVantMsgEngine.Post(nullptr, g_picInstanceDataMsg, static_cast<const void*>(block), block.GetLength(), 0, 0);
}

void picBuildImportBlock(const vbArray<vbString>& files, int count, vbData* out)
{
    MemoryStreamPtr stream;
    vbMemoryStream::CreateObject(&stream);
    *stream << kImportCommand;
    stream->WriteLong(count);
    for (int i = 1; i <= count; ++i)
        *stream << files[i].c_str();
    stream->Detach(out);
}

void picParseImportBlock(const vbData& block, vbArray<vbString>* files)
{
    MemoryStreamPtr stream;
    vbMemoryStream::CreateObject(&stream);
    vbData bytes(block);
    stream->Attach(&bytes);

    vbString command;
    *stream >> &command;
    // Compared whole: a command that only begins with "Import" before a zero byte is another.
    if (command.GetLength() != int(std::strlen(kImportCommand)) || command.CompareNoCase(kImportCommand) != 0)
        throw new vbEsys(E_FAIL, ("CPicFlorvaneDlg::receiveInterDataMsg() : unknown command asked (" + command + ")").c_str());
    const LONG count = stream->ReadLong();
    // Every file takes at least its 4-byte length: a larger count is a cut block, reported as
    // the stream reports any read past its end.
    if (count > 0 && DWORD(count) > (stream->GetLength() - stream->GetPosition()) / 4) {
        stream->Seek(0, vbSeekEnd);
        stream->ReadLong();
    }
    vbArray<vbString> read;
    for (LONG i = 0; i < count; ++i) {
        vbString file;
        *stream >> &file;
        read.Add(file);
    }
    *files = read;
}
