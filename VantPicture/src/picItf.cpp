#include "picItf.h"

#include "vbBaseItf.h"

void picPurecall()
{
    vbImpl::throwSys(E_ABORT, "VantPicture: Object of called method is in destruction (purecall)");
}

void IpicImage::LoadFromStream(IvbInputStream*) { picPurecall(); }
void IpicImage::SaveToStream(IvbOutputStream*) { picPurecall(); }
bool IpicImage::GetDC(int, picDCPtr*, int, picReqMode) { picPurecall(); }
bool IpicImage::GetBitmap(int, picBitmapPtr*, picReqMode) { picPurecall(); }
picSize IpicImage::GetPixelSize(int) const { picPurecall(); }
picMetricSize IpicImage::GetMetricSize(int, picMetricUnit) const { picPurecall(); }
bool IpicImage::HasExtra4() const { picPurecall(); }
bool IpicImage::HasExtra2() const { picPurecall(); }
bool IpicImage::HasFrames() const { picPurecall(); }
int IpicImage::GetFrameCount() const { picPurecall(); }
int IpicImage::GetCurrentFrame() const { picPurecall(); }
int IpicImage::GetBitmapCount() const { picPurecall(); }
int IpicImage::GetBitmapInfo(int, picBmpInfo*) const { picPurecall(); }
int IpicImage::GetBitmapInfos(vbArray<picBmpInfo>*) const { picPurecall(); }
int IpicImage::FindBitmap(const picSize*, picBmpColorType, int) const { picPurecall(); }
int IpicImage::SetBitmap(int, const picBmpInfo*, IpicBitmap*) { picPurecall(); }
void IpicImage::SetBitmapInfo(int, const picBmpInfo*) { picPurecall(); }
int IpicImage::CreateBitmap(int, const picBmpInfo*, picBitmapPtr*) { picPurecall(); }
void IpicImage::RemoveAllBitmaps() { picPurecall(); }
bool IpicImage::IsEmpty() const { picPurecall(); }
bool IpicImage::HasBitmaps() const { picPurecall(); }
void IpicImage::SetBitmapCount(int) { picPurecall(); }
void IpicImage::SetPixelSize(int, const picSize&) { picPurecall(); }
void IpicImage::SetMetricSize(int, const picMetricSize&) { picPurecall(); }
void IpicImage::Destroy() { picPurecall(); }
HBITMAP IpicImage::getHandle(int, sIvbLock**) { picPurecall(); }

bool IpicBitmap::GetDC(int, picDCPtr*, picReqMode) { picPurecall(); }
void IpicBitmap::Destroy() { picPurecall(); }
void IpicBitmap::GetFormat(picSize*, picBmpColorType*, int*) const { picPurecall(); }
bool IpicBitmap::SetFormat(const picSize*, picBmpColorType, int, bool, picReqMode) { picPurecall(); }
bool IpicBitmap::CreateCopy(const picSize*, picBmpColorType, int, picBitmapPtr*, picReqMode) { picPurecall(); }
bool IpicBitmap::CopyTo(IpicBitmap*, picReqMode) { picPurecall(); }
picSize IpicBitmap::GetPixelSize() const { picPurecall(); }
picBmpColorType IpicBitmap::GetBmpType() const { picPurecall(); }
int IpicBitmap::GetBitsPerPixel() const { picPurecall(); }
int IpicBitmap::GetRowLength() const { picPurecall(); }
void IpicBitmap::SetPixelSize(const picSize&, bool) { picPurecall(); }
void IpicBitmap::SetBmpType(picBmpColorType, bool) { picPurecall(); }
void IpicBitmap::SetBitsPerPixel(int, bool) { picPurecall(); }
int IpicBitmap::GetBitmapRow(sIvbLock**, int, void**, int, int) { picPurecall(); }
void IpicBitmap::Clear() { picPurecall(); }
void IpicBitmap::Empty() { picPurecall(); }
bool IpicBitmap::IsEmpty() const { picPurecall(); }
bool IpicBitmap::HasData() const { picPurecall(); }
void IpicBitmap::SetData(const void*, int) { picPurecall(); }
HBITMAP IpicBitmap::getHandle(sIvbLock**) { picPurecall(); }

bool IpicCompressPlug::CanWorkWithType(const char*, const unsigned char*, int, int*, picDecompressorPtr*, IpicImage*)
{
    picPurecall();
}
bool IpicCompressPlug::CanWorkWithType(const char*, IvbInputStream*, picDecompressorPtr*, IpicImage*) { picPurecall(); }
bool IpicCompressPlug::CreateDecompressor(int, picDecompressorPtr*, picReqMode) { picPurecall(); }
bool IpicCompressPlug::CreateCompressor(int, picCompressorPtr*, picReqMode) { picPurecall(); }
void IpicCompressPlug::Destroy() { picPurecall(); }
bool IpicCompressPlug::CanCompressType(const char*, int) { picPurecall(); }
vbString IpicCompressPlug::GetDescription(int, int) { picPurecall(); }
bool IpicCompressPlug::HasSettings(int) { picPurecall(); }
bool IpicCompressPlug::GetSettingInfo(int, picSettingInfo*) { picPurecall(); }
int IpicCompressPlug::GetPlugLevel() { picPurecall(); }

void IpicCompressor::SetInputBitmap(IpicBitmap*) { picPurecall(); }
void IpicCompressor::SetInputImage(IpicImage*) { picPurecall(); }
bool IpicCompressor::GetInput(picBitmapPtr*, picReqMode) { picPurecall(); }
bool IpicCompressor::GetInput(picImagePtr*, picReqMode) { picPurecall(); }
void IpicCompressor::SetCompressLevel(int) { picPurecall(); }
int IpicCompressor::GetCompressLevel() const { picPurecall(); }
bool IpicCompressor::GetCompressSetting(int, picSettingInfo*) { picPurecall(); }
void IpicCompressor::SetCompressSetting(int, int, const char*, picReqMode) { picPurecall(); }
bool IpicCompressor::GetCompressSettingValue(int, int*, vbString*) { picPurecall(); }
void IpicCompressor::ResetSettings(int) { picPurecall(); }
void IpicCompressor::Destroy() { picPurecall(); }

void IpicDecompressor::SetOutputImage(IpicImage*) { picPurecall(); }
bool IpicDecompressor::GetOutput(picImagePtr*, picReqMode) { picPurecall(); }
bool IpicDecompressor::GetProgress(int*, int*) { picPurecall(); }
bool IpicDecompressor::GetOutputFormat(picSize*, picBmpColorType*, int*, picReqMode) { picPurecall(); }
bool IpicDecompressor::SetOutputFormat(picBmpColorType, int, picReqMode) { picPurecall(); }
void IpicDecompressor::Reset() { picPurecall(); }
void IpicDecompressor::Destroy() { picPurecall(); }
bool IpicDecompressor::EndOfData(vbString*) { picPurecall(); }
