// The download interfaces: their identifiers, and the purecall bodies of the operations an
// implementer leaves out.

#include "vbDnItf.h"

#include "vbBaseItf.h"

const IID IID_sIvbUrlRoots = {0x5F9F1244, 0xBC16, 0x4420, {0x9B, 0xE2, 0x2F, 0xD9, 0x1D, 0xC2, 0x0A, 0x7C}};
const IID IID_sIvbDnInfo = {0xA64F102D, 0x7D40, 0x43E2, {0xA4, 0x8D, 0x2A, 0xBB, 0xF8, 0x54, 0x4F, 0x3A}};
const IID IID_IvbDnObject = {0xD89139A9, 0xE23F, 0x43D3, {0xBD, 0x6C, 0xB3, 0x04, 0x34, 0xC6, 0xBC, 0x74}};
const IID IID_sIvbDnPtr = {0x5172F4C4, 0x14EB, 0x4F21, {0x86, 0x16, 0x76, 0x76, 0xFF, 0xFC, 0xD8, 0x35}};
const IID IID_sIvbDnCenter = {0x5A122C24, 0x40A9, 0x404E, {0x89, 0xF8, 0xCD, 0x5C, 0x8A, 0x85, 0x62, 0x69}};
const IID IID_sIvbDnSession = {0x3007C69E, 0xB545, 0x4A83, {0xA1, 0x0A, 0xDD, 0x00, 0xDC, 0xB2, 0x53, 0xD2}};
const IID IID_IvbDnProto = {0x3D8412AE, 0x4F99, 0x441D, {0xB3, 0x2C, 0x57, 0x93, 0x78, 0x5B, 0xBE, 0x36}};
const IID IID_IvbDnProtoStream = {0x3AC2C151, 0xA8B3, 0x4A1F, {0x8E, 0x38, 0x98, 0x78, 0x14, 0xC3, 0x4F, 0x64}};
const IID IID_IvbDnProtoRead = {0x41DEDC2E, 0x7F45, 0x4833, {0x85, 0xF5, 0x02, 0x96, 0x09, 0x29, 0xEE, 0x60}};
const IID IID_IvbDnProtoWrite = {0x9117B65F, 0x4A73, 0x43AD, {0x95, 0x45, 0x06, 0x5F, 0x22, 0x3D, 0x11, 0x8D}};
const IID IID_IvbDnPlugProto = {0x6595571A, 0x398C, 0x4FF5, {0xBE, 0xF5, 0x97, 0x55, 0x84, 0xC8, 0x86, 0xB7}};
const IID IID_IvbDnPlugFactory = {0xF81ABEA0, 0xD9C5, 0x4BC7, {0xB5, 0x59, 0xC3, 0x4D, 0x30, 0x3B, 0x12, 0x4D}};
const IID IID_IvbDnObjectProto = {0x3C28F0FA, 0xFD6D, 0x413D, {0x88, 0x89, 0x87, 0x23, 0xBD, 0xAD, 0x13, 0x9E}};

bool sIvbDnInfo::IsCacheable() const { vbPurecall(); }
bool sIvbDnInfo::IsLoadable() const { vbPurecall(); }
bool sIvbDnInfo::IsWritable() const { vbPurecall(); }
const GUID& sIvbDnInfo::GetClsId() const { vbPurecall(); }
vbString sIvbDnInfo::GetUrl() const { vbPurecall(); }
int64_t sIvbDnInfo::GetKey() const { vbPurecall(); }
bool sIvbDnInfo::GetError(ULONG&, vbString&) const { vbPurecall(); }
bool sIvbDnInfo::IsLoaded() const { vbPurecall(); }
bool sIvbDnInfo::IsWritten() const { vbPurecall(); }

bool IvbDnObject::CancelDnOp() { vbPurecall(); }
void IvbDnObject::ResetDnState() { vbPurecall(); }
bool IvbDnObject::IsDnOpStopped() const { vbPurecall(); }
void IvbDnObject::CheckStopDnOp(const vbString&) const { vbPurecall(); }
bool IvbDnObject::HasDnError() const { vbPurecall(); }
void IvbDnObject::SetDnError(ULONG, const vbString&) { vbPurecall(); }
void IvbDnObject::SetDnError(CException*) { vbPurecall(); }
void IvbDnObject::ClearDnError() { vbPurecall(); }
bool IvbDnObject::IsDnOpAsked() const { vbPurecall(); }
vbDnOp IvbDnObject::GetDnOpAsked() const { vbPurecall(); }
bool IvbDnObject::IsDnOpInWork() const { vbPurecall(); }
vbDnOp IvbDnObject::GetDnOpInWork() const { vbPurecall(); }
DWORD IvbDnObject::GetMemSizeForCache() const { vbPurecall(); }
bool IvbDnObject::CanShowDnDlg() const { vbPurecall(); }
bool IvbDnObject::IsDnOpAllowed() const { vbPurecall(); }
bool IvbDnObject::DoDnOp(vbDnData*, vbDnOp, const vbString&) { vbPurecall(); }
vbString IvbDnObject::GetDnUrl(bool*) const { vbPurecall(); }
void IvbDnObject::SetDnAbsUrl(const vbString&) { vbPurecall(); }
vbString IvbDnObject::GetDnRealUrl(bool*) const { vbPurecall(); }
void IvbDnObject::SetDnRealUrl(const vbString&) { vbPurecall(); }
bool IvbDnObject::Load(const char*, vbDnPriority) { vbPurecall(); }
bool IvbDnObject::CancelLoad() { vbPurecall(); }
bool IvbDnObject::IsLoading() const { vbPurecall(); }
void IvbDnObject::ResetLoaded() { vbPurecall(); }
void IvbDnObject::SetLoaded(bool, bool) { vbPurecall(); }
bool IvbDnObject::LoadFromRes(vbDnData*, const char*, const char*, HINSTANCE) { vbPurecall(); }
const char* IvbDnObject::GetDefaultResType() const { vbPurecall(); }
bool IvbDnObject::LoadFromFile(vbDnData*, const vbString&) { vbPurecall(); }
void IvbDnObject::LoadingStart(vbDnData*, int64_t) { vbPurecall(); }
bool IvbDnObject::LoadingAddBuffer(vbDnData*, const unsigned char*, ULONG) { vbPurecall(); }
void IvbDnObject::LoadingEnd(vbDnData*, bool) { vbPurecall(); }
bool IvbDnObject::Write(const char*, vbDnPriority) { vbPurecall(); }
bool IvbDnObject::CancelWrite() { vbPurecall(); }
bool IvbDnObject::IsWriting() const { vbPurecall(); }
void IvbDnObject::ResetWritten() { vbPurecall(); }
void IvbDnObject::SetWritten(bool, bool) { vbPurecall(); }
void IvbDnObject::WriteToStream(vbDnData*, IvbOutputStream*) { vbPurecall(); }
void IvbDnObject::WritingEnd(vbDnData*, bool) { vbPurecall(); }
void IvbDnObject::SetUrl(const vbString&) { vbPurecall(); }
void IvbDnObject::SetDnOpAsked(vbDnOp) { vbPurecall(); }
void IvbDnObject::SetLoadedFlag() { vbPurecall(); }
void IvbDnObject::SetWrittenFlag() { vbPurecall(); }
void IvbDnObject::EndDnOp(bool) { vbPurecall(); }
bool IvbDnObject::TakeRetryLater(bool) { vbPurecall(); }
bool IvbDnObject::TakeRetryNow() { vbPurecall(); }
int IvbDnObject::GetRetryDelay(bool) const { vbPurecall(); }
void IvbDnObject::ClearRetryNowCount() { vbPurecall(); }
void IvbDnObject::SetDnProto(IvbObject*) { vbPurecall(); }
void IvbDnObject::StopDnOp() { vbPurecall(); }
void IvbDnObject::ClearRetryLaterCount() { vbPurecall(); }
void IvbDnObject::dnCenter_cache(sIvbDnCenter*, int) { vbPurecall(); }
bool IvbDnObject::dnCenter_tryDel(sIvbDnCenter*, int) { vbPurecall(); }
int IvbDnObject::dnCenter_getCacheId(sIvbDnCenter*) const { vbPurecall(); }
void IvbDnObject::DnReserved(int, void*) { vbPurecall(); }

bool sIvbDnPtr::HasObject(const IvbObject*) { vbPurecall(); }
bool sIvbDnPtr::_unlink(bool) { vbPurecall(); }
void sIvbDnPtr::onSignal(int) { vbPurecall(); }
void sIvbDnPtr::onLink() { vbPurecall(); }
void sIvbDnPtr::onUnlink() { vbPurecall(); }
void sIvbDnPtr::setNextPtr(sIvbPtr*) { vbPurecall(); }
void sIvbDnPtr::setPrevPtr(sIvbPtr*) { vbPurecall(); }
sIvbPtr* sIvbDnPtr::_link(IvbObject*, sIvbPtr**) { vbPurecall(); }
void sIvbDnPtr::_unlinkFromList(sIvbPtr**, vbSectLock*) { vbPurecall(); }
sIvbPtr* sIvbDnPtr::GetNextPtr() { vbPurecall(); }
bool sIvbDnPtr::IsToUnlinkOnDestroy() { vbPurecall(); }
IvbDnObject* sIvbDnPtr::CreateObject() { vbPurecall(); }
IvbDnObject* sIvbDnPtr::GetDnObject() { vbPurecall(); }
const IvbDnObject* sIvbDnPtr::GetDnObject() const { vbPurecall(); }
sIvbDnPtr* sIvbDnPtr::GetParkedNext() { vbPurecall(); }
void sIvbDnPtr::SetParkedNext(sIvbDnPtr*) { vbPurecall(); }

void sIvbDnCenter::LongTaskLock() { vbPurecall(); }
void sIvbDnCenter::LongTaskUnlock() { vbPurecall(); }

bool sIvbDnSession::ReadUrl(vbDnData*, IvbDnObject*, vbRefPtr<IvbInputStream, &IID_IvbInputStream>*) { vbPurecall(); }
bool sIvbDnSession::WriteUrl(vbDnData*, IvbDnObject*, vbRefPtr<IvbOutputStream, &IID_IvbOutputStream>*) { vbPurecall(); }
bool sIvbDnSession::DoDnOp(vbDnData*, vbDnOp, const vbString&, IvbDnObject*) { vbPurecall(); }
bool sIvbDnSession::ShouldStopDnOp() const { vbPurecall(); }
void sIvbDnSession::CheckStopDnOp(const vbString&) const { vbPurecall(); }

void IvbDnProtoStream::AttachDnData(vbDnData*) { vbPurecall(); }
void IvbDnProtoStream::CloseStream() { vbPurecall(); }
bool IvbDnProtoRead::CanBuffer(vbDnData*, IvbDnObject*) { vbPurecall(); }
void IvbDnProtoWrite::WritingEnd(vbDnData*, bool) { vbPurecall(); }

bool IvbDnPlugProto::askStopDnOp(IvbDnObject*) { vbPurecall(); }
bool IvbDnPlugProto::CanWorkWithProto(vbDnData*, IvbDnObject*, const vbString&) { vbPurecall(); }
void IvbDnPlugProto::askClose() { vbPurecall(); }
bool IvbDnPlugProto::ReadUrl(vbDnData*, IvbDnObject*, vbRefPtr<IvbInputStream, &IID_IvbInputStream>*) { vbPurecall(); }
bool IvbDnPlugProto::WriteUrl(vbDnData*, IvbDnObject*, vbRefPtr<IvbOutputStream, &IID_IvbOutputStream>*) { vbPurecall(); }

bool IvbDnPlugFactory::CanWorkWith(vbDnData*, IvbDnObject*, const vbString&) { vbPurecall(); }
void IvbDnPlugFactory::CreateProto(IvbDnObject*, const vbString&, bool, vbRefPtr<IvbDnPlugProto, &IID_IvbDnPlugProto>*)
{
    vbPurecall();
}

bool IvbDnObjectProto::GetDnProto(vbDnOp, const vbString&, vbRefPtr<IvbDnPlugProto, &IID_IvbDnPlugProto>*)
{
    vbPurecall();
}
