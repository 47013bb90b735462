// The slots of the compression interfaces and codec layers that a class leaves out report the
// purecall error.

#include "vbCompressLZSS.h"

void IvbCompressProgress::OnCompressProgress(IvbCompressPush*, IvbCompressPull*, const char*, uint64_t, uint64_t, DWORD) { vbPurecall(); }
void IvbDecompressProgress::OnDecompressProgress(IvbDecompressPush*, IvbDecompressPull*, const char*, uint64_t, uint64_t, DWORD) { vbPurecall(); }
void IvbCompressNotif::OnCompressFlush(IvbCompressPush*, bool, bool) { vbPurecall(); }
void IvbCompressNotif::OnCompressClose(IvbCompressPush*) { vbPurecall(); }
void IvbCompressNotif::OnCompressNewFile(IvbCompressPush*, DWORD, const char*, DWORD) { vbPurecall(); }
void IvbDecompressNotif::OnDecompressFlush(IvbDecompressPush*, bool, bool) { vbPurecall(); }
void IvbDecompressNotif::OnDecompressClose(IvbDecompressPush*) { vbPurecall(); }
void IvbDecompressNotif::OnDecompressStart(IvbDecompressPush*) { vbPurecall(); }
void IvbDecompressNotif::OnDecompressFileEnd(IvbDecompressPush*, bool) { vbPurecall(); }
void IvbDecompressNotif::OnDecompressNewFile(IvbDecompressPush*, DWORD, const char*, DWORD) { vbPurecall(); }
vbString IvbCompressPush::GetCompressLabel(bool) const { vbPurecall(); }
bool IvbCompressPush::GetCompressLevelRange(int*, int*, int*) const { vbPurecall(); }
bool IvbCompressPush::GetCompressBlockRange(LONG*, LONG*, LONG*) const { vbPurecall(); }
bool IvbCompressPush::EnumCompressSetting(int, vbString*, vbString*) const { vbPurecall(); }
DWORD IvbCompressPush::GetCaps() const { vbPurecall(); }
void IvbCompressPush::SetCompressLevel(int) { vbPurecall(); }
int IvbCompressPush::GetCompressLevel() const { vbPurecall(); }
void IvbCompressPush::SetCompressBlock(LONG) { vbPurecall(); }
LONG IvbCompressPush::GetCompressBlock() const { vbPurecall(); }
bool IvbCompressPush::SetCompressSetting(const char*, LONG, bool) { vbPurecall(); }
LONG IvbCompressPush::GetCompressSetting(const char*, bool*) const { vbPurecall(); }
void IvbCompressPush::ResetCompressSettings(int) { vbPurecall(); }
uint64_t IvbCompressPush::GetMemoryUsage() const { vbPurecall(); }
bool IvbCompressPush::GetIOstat(uint64_t*, uint64_t*) const { vbPurecall(); }
void IvbCompressPush::ResetIOstat() { vbPurecall(); }
void IvbCompressPush::SetCodePage(DWORD) { vbPurecall(); }
DWORD IvbCompressPush::GetCodePage() const { vbPurecall(); }
void IvbCompressPush::New(IvbOutputStream*) { vbPurecall(); }
void IvbCompressPush::SetProgressCb(IvbCompressProgress*) { vbPurecall(); }
void IvbCompressPush::SetNotifCb(IvbCompressNotif*) { vbPurecall(); }
bool IvbCompressPush::GetOutputStream(vbOutputStreamPtr*, bool) const { vbPurecall(); }
void IvbCompressPush::CompressFlush() { vbPurecall(); }
void IvbCompressPush::Close(bool) { vbPurecall(); }
bool IvbCompressPush::IsCompressStarted() const { vbPurecall(); }
bool IvbCompressPush::NewFile(const vbString&, DWORD, DWORD, bool) { vbPurecall(); }
bool IvbCompressPush::EnumFile(int, vbString*, DWORD*, DWORD) const { vbPurecall(); }
int IvbCompressPush::GetFileCount() const { vbPurecall(); }
bool IvbCompressPush::GetFileParam(const vbString&, vbString*, DWORD, bool) const { vbPurecall(); }
bool IvbCompressPush::EnumFileParam(int, vbString*, vbString*, DWORD) const { vbPurecall(); }
bool IvbCompressPush::AddFileParam(const vbString&, const vbString&, DWORD, bool) { vbPurecall(); }
bool IvbCompressPush::GetHeaderParam(const vbString&, vbString*, DWORD, bool) const { vbPurecall(); }
bool IvbCompressPush::EnumHeaderParam(int, vbString*, vbString*, DWORD) const { vbPurecall(); }
bool IvbCompressPush::AddHeaderParam(const vbString&, const vbString&, DWORD, bool) { vbPurecall(); }
void IvbCompressPush::SetOutputStream(IvbOutputStream*) { vbPurecall(); }
vbString IvbDecompressPush::GetCompressLabel(bool) const { vbPurecall(); }
DWORD IvbDecompressPush::GetCaps() const { vbPurecall(); }
uint64_t IvbDecompressPush::GetMemoryUsage() const { vbPurecall(); }
bool IvbDecompressPush::GetIOstat(uint64_t*, uint64_t*) const { vbPurecall(); }
void IvbDecompressPush::ResetIOstat() { vbPurecall(); }
DWORD IvbDecompressPush::GetCodePage() const { vbPurecall(); }
void IvbDecompressPush::New() { vbPurecall(); }
void IvbDecompressPush::SetOutputStream(IvbOutputStream*) { vbPurecall(); }
void IvbDecompressPush::SetProgressCb(IvbDecompressProgress*) { vbPurecall(); }
void IvbDecompressPush::SetNotifCb(IvbDecompressNotif*) { vbPurecall(); }
bool IvbDecompressPush::GetOutputStream(vbOutputStreamPtr*, bool) const { vbPurecall(); }
void IvbDecompressPush::DecompressFlush() { vbPurecall(); }
void IvbDecompressPush::Close(bool) { vbPurecall(); }
bool IvbDecompressPush::IsDecompressStarted() const { vbPurecall(); }
bool IvbDecompressPush::EnumFile(int, vbString*, DWORD*, DWORD) const { vbPurecall(); }
int IvbDecompressPush::GetFileCount() const { vbPurecall(); }
bool IvbDecompressPush::GetFileParam(const vbString&, vbString*, DWORD, bool) const { vbPurecall(); }
bool IvbDecompressPush::EnumFileParam(int, vbString*, vbString*, DWORD) const { vbPurecall(); }
bool IvbDecompressPush::GetHeaderParam(const vbString&, vbString*, DWORD, bool) const { vbPurecall(); }
bool IvbDecompressPush::EnumHeaderParam(int, vbString*, vbString*, DWORD) const { vbPurecall(); }
vbString IvbCompressPull::GetCompressLabel(bool) const { vbPurecall(); }
bool IvbCompressPull::GetCompressLevelRange(int*, int*, int*) const { vbPurecall(); }
bool IvbCompressPull::GetCompressBlockRange(LONG*, LONG*, LONG*) const { vbPurecall(); }
bool IvbCompressPull::EnumCompressSetting(int, vbString*, vbString*) const { vbPurecall(); }
DWORD IvbCompressPull::GetCaps() const { vbPurecall(); }
void IvbCompressPull::SetCompressLevel(int) { vbPurecall(); }
int IvbCompressPull::GetCompressLevel() const { vbPurecall(); }
void IvbCompressPull::SetCompressBlock(LONG) { vbPurecall(); }
LONG IvbCompressPull::GetCompressBlock() const { vbPurecall(); }
bool IvbCompressPull::SetCompressSetting(const char*, LONG, bool) { vbPurecall(); }
LONG IvbCompressPull::GetCompressSetting(const char*, bool*) const { vbPurecall(); }
void IvbCompressPull::ResetCompressSettings(int) { vbPurecall(); }
uint64_t IvbCompressPull::GetMemoryUsage() const { vbPurecall(); }
bool IvbCompressPull::GetIOstat(uint64_t*, uint64_t*) const { vbPurecall(); }
void IvbCompressPull::ResetIOstat() { vbPurecall(); }
void IvbCompressPull::SetCodePage(DWORD) { vbPurecall(); }
DWORD IvbCompressPull::GetCodePage() const { vbPurecall(); }
void IvbCompressPull::New(IvbInputStream*) { vbPurecall(); }
void IvbCompressPull::SetProgressCb(IvbCompressProgress*) { vbPurecall(); }
void IvbCompressPull::SetNotifCb(IvbCompressNotif*) { vbPurecall(); }
bool IvbCompressPull::GetInputStream(vbInputStreamPtr*, bool) const { vbPurecall(); }
void IvbCompressPull::Close(bool) { vbPurecall(); }
bool IvbCompressPull::IsCompressStarted() const { vbPurecall(); }
bool IvbCompressPull::NewFile(const vbString&, DWORD, DWORD, bool) { vbPurecall(); }
bool IvbCompressPull::EnumFile(int, vbString*, DWORD*, DWORD) const { vbPurecall(); }
int IvbCompressPull::GetFileCount() const { vbPurecall(); }
bool IvbCompressPull::GetFileParam(const vbString&, vbString*, DWORD, bool) const { vbPurecall(); }
bool IvbCompressPull::EnumFileParam(int, vbString*, vbString*, DWORD) const { vbPurecall(); }
bool IvbCompressPull::AddFileParam(const vbString&, const vbString&, DWORD, bool) { vbPurecall(); }
bool IvbCompressPull::GetHeaderParam(const vbString&, vbString*, DWORD, bool) const { vbPurecall(); }
bool IvbCompressPull::EnumHeaderParam(int, vbString*, vbString*, DWORD) const { vbPurecall(); }
bool IvbCompressPull::AddHeaderParam(const vbString&, const vbString&, DWORD, bool) { vbPurecall(); }
void IvbCompressPull::SetInputStream(IvbInputStream*) { vbPurecall(); }
vbString IvbDecompressPull::GetCompressLabel(bool) const { vbPurecall(); }
DWORD IvbDecompressPull::GetCaps() const { vbPurecall(); }
uint64_t IvbDecompressPull::GetMemoryUsage() const { vbPurecall(); }
bool IvbDecompressPull::GetIOstat(uint64_t*, uint64_t*) const { vbPurecall(); }
void IvbDecompressPull::ResetIOstat() { vbPurecall(); }
DWORD IvbDecompressPull::GetCodePage() const { vbPurecall(); }
void IvbDecompressPull::New(IvbInputStream*) { vbPurecall(); }
void IvbDecompressPull::SetProgressCb(IvbDecompressProgress*) { vbPurecall(); }
void IvbDecompressPull::SetNotifCb(IvbDecompressNotif*) { vbPurecall(); }
bool IvbDecompressPull::GetInputStream(vbInputStreamPtr*, bool) const { vbPurecall(); }
void IvbDecompressPull::Close(bool) { vbPurecall(); }
bool IvbDecompressPull::IsDecompressStarted() const { vbPurecall(); }
bool IvbDecompressPull::EnumFile(int, vbString*, DWORD*, DWORD) const { vbPurecall(); }
int IvbDecompressPull::GetFileCount() const { vbPurecall(); }
bool IvbDecompressPull::GetFileParam(const vbString&, vbString*, DWORD, bool) const { vbPurecall(); }
bool IvbDecompressPull::EnumFileParam(int, vbString*, vbString*, DWORD) const { vbPurecall(); }
bool IvbDecompressPull::GetHeaderParam(const vbString&, vbString*, DWORD, bool) const { vbPurecall(); }
bool IvbDecompressPull::EnumHeaderParam(int, vbString*, vbString*, DWORD) const { vbPurecall(); }
bool IvbCompressPlug::CanWorkWithType(const char*, IvbInputStream*) { vbPurecall(); }
bool IvbCompressPlug::Decompress(IvbOutputStream*, int, vbDecompressPushPtr*, bool) { vbPurecall(); }
bool IvbCompressPlug::Decompress(IvbInputStream*, int, vbDecompressPullPtr*, bool) { vbPurecall(); }
bool IvbCompressPlug::Compress(IvbInputStream*, int, vbCompressPullPtr*, bool) { vbPurecall(); }
bool IvbCompressPlug::Compress(IvbOutputStream*, int, vbCompressPushPtr*, bool) { vbPurecall(); }
void IvbCompressPlug::askClose() { vbPurecall(); }
vbString IvbCompressPlug::GetCompressLabel(bool) const { vbPurecall(); }
bool IvbCompressPlug::GetCompressLevelRange(int*, int*, int*) const { vbPurecall(); }
bool IvbCompressPlug::GetCompressBlockRange(LONG*, LONG*, LONG*) const { vbPurecall(); }
bool IvbCompressPlug::EnumCompressSetting(int, vbString*, vbString*) const { vbPurecall(); }
DWORD IvbCompressPlug::GetCaps() const { vbPurecall(); }
void vbLZSS::Close(bool) { vbPurecall(); }
void vbLZSScompress::onCompDataFlush(bool, bool) { vbPurecall(); }
void vbLZSScompress::onBlockCoded() { vbPurecall(); }
