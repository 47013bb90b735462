#include "guiPicture.h"

#include "vbException.h"

#include "plat/afxwin.h"
#include "plat/bitmap.h"
#include "plat/errors.h"
#include "plat/file.h"
#include "plat/gdi.h"
#include "plat/globalmem.h"
#include "plat/handles.h"
#include "plat/resource.h"

#include <cstring>

namespace {

HRESULT lastErrorHr() { return HRESULT_FROM_WIN32(GetLastError()); }

// A picture read from bytes in a movable global block, which the stream frees when it goes.
HRESULT pictureFromBlock(HGLOBAL block, DWORD size, CComPtr<IPicture>& picture)
{
    CComPtr<IStream> stream;
    HRESULT hr = CreateStreamOnHGlobal(block, TRUE, &stream);
    if (FAILED(hr)) {
        GlobalFree(block);
        return hr;
    }
    return OleLoadPicture(stream, static_cast<LONG>(size), FALSE, IID_IPicture, reinterpret_cast<void**>(&picture));
}

// The whole file into a movable global block.
HRESULT readFile(const char* path, HGLOBAL& block, DWORD& size)
{
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return E_ACCESSDENIED;
    DWORD high = 0;
    size = GetFileSize(file, &high);
    HRESULT hr = S_OK;
    if (size == INVALID_FILE_SIZE)
        hr = E_ACCESSDENIED;
    else if (high != 0 || !(block = GlobalAlloc(GMEM_MOVEABLE, size)))
        hr = E_OUTOFMEMORY;
    else {
        DWORD read = 0;
        const BOOL ok = ReadFile(file, GlobalLock(block), size, &read, nullptr);
        GlobalUnlock(block);
        if (!ok || read != size) {
            GlobalFree(block);
            block = nullptr;
            hr = E_FAIL;
        }
    }
    CloseHandle(file);
    return hr;
}

// The resource's bytes into a movable global block; on failure hr is the system's error (0 when
// it gives none).
bool copyResource(const char* name, const char* resType, HGLOBAL& block, DWORD& size, HRESULT& hr)
{
    SetLastError(NO_ERROR);
    HINSTANCE module = AfxGetResourceHandle();
    HRSRC info = FindResourceA(module, name, resType);
    HGLOBAL loaded = info ? LoadResource(module, info) : nullptr;
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    size = bytes ? SizeofResource(module, info) : 0;
    block = size ? GlobalAlloc(GMEM_MOVEABLE, size) : nullptr;
    void* target = block ? GlobalLock(block) : nullptr;
    if (!target) {
        hr = lastErrorHr();
        if (block)
            GlobalFree(block);
        return false;
    }
    std::memcpy(target, bytes, size);
    GlobalUnlock(block);
    return true;
}

} // namespace

guiPicture::guiPicture(CComPtr<IPicture> picture) : m_ptr(picture) { }

guiPicture::guiPicture(const guiPicture& other) : m_ptr(other.m_ptr) { }

guiPicture& guiPicture::operator=(const guiPicture& other)
{
    m_ptr = other.m_ptr;
    m_renderHandle = nullptr;
    return *this;
}

guiPicture::~guiPicture() = default;

void guiPicture::MustBeValid() const
{
    if (!IsValid())
        throw new vbEsys("guiPicture() : empty !");
}

template <class T>
T guiPicture::property(HRESULT (IPicture::*get)(T*), const char* text) const
{
    MustBeValid();
    T value{};
    if (const HRESULT hr = (m_ptr.p->*get)(&value); FAILED(hr))
        throw new vbEsys(hr, text);
    return value;
}

HBITMAP guiPicture::GetHandle() const
{
    return reinterpret_cast<HBITMAP>(
        property<OLE_HANDLE>(&IPicture::get_Handle, "Instruction 'm_ptr->get_Handle(&hBmp)' failed !"));
}

HPALETTE guiPicture::GetHPal() const
{
    return reinterpret_cast<HPALETTE>(
        property<OLE_HANDLE>(&IPicture::get_hPal, "Instruction 'm_ptr->get_hPal(&hPal)' failed !"));
}

short guiPicture::GetType() const { return property<SHORT>(&IPicture::get_Type, "Instruction 'm_ptr->get_Type(&type)' failed !"); }

LONG guiPicture::GetWidth() const
{
    return property<OLE_XSIZE_HIMETRIC>(&IPicture::get_Width, "Instruction 'm_ptr->get_Width(&width)' failed !");
}

LONG guiPicture::GetHeight() const
{
    return property<OLE_YSIZE_HIMETRIC>(&IPicture::get_Height, "Instruction 'm_ptr->get_Height(&height)' failed !");
}

void guiPicture::PrepareRender()
{
    MustBeValid();
    m_renderHandle = GetHandle();
}

void guiPicture::Render(guiDrawInfo*, CDC* dc, LONG x, LONG y, LONG cx, LONG cy, LONG xSrc, LONG ySrc, LONG cxSrc,
    LONG cySrc)
{
    if (!m_renderHandle)
        return;
    HDC memory = CreateCompatibleDC(dc->GetSafeHdc());
    if (!memory)
        memory = CreateCompatibleDC(nullptr);
    if (!memory)
        throw new vbEsys("guiPicture::Render() : dc failure");
    BITMAPINFO header{};
    header.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    GetDIBits(memory, m_renderHandle, 0, 0, nullptr, &header, DIB_RGB_COLORS);
    const LONG width = header.bmiHeader.biWidth;
    const LONG height = header.bmiHeader.biHeight;
    if (width == 0 || height == 0) {
        DeleteDC(memory);
        throw new vbEsys("guiPicture::Render() : dc failure");
    }
    if (cxSrc == -1)
        cxSrc = width;
    if (cySrc == -1)
        cySrc = height;
    HGDIOBJ previous = SelectObject(memory, m_renderHandle);
    const int previousMode = SetStretchBltMode(dc->GetSafeHdc(), HALFTONE);
    StretchBlt(dc->GetSafeHdc(), x, y, cx, cy, memory, xSrc, ySrc, cxSrc, cySrc, SRCCOPY);
    SetStretchBltMode(dc->GetSafeHdc(), previousMode);
    SelectObject(memory, previous);
    DeleteDC(memory);
}

guiPicture LoadPicture(const char* path, bool throwOnError)
{
    if (!path || !*path)
        return guiPicture();
    HGLOBAL block = nullptr;
    DWORD size = 0;
    CComPtr<IPicture> picture;
    HRESULT hr = readFile(path, block, size);
    if (SUCCEEDED(hr))
        hr = pictureFromBlock(block, size, picture);
    if (FAILED(hr)) {
        if (throwOnError)
            throw new vbEsys(true, hr, "Unable to load or to find picture '%s'", path);
        return guiPicture();
    }
    return guiPicture(picture);
}

guiPicture LoadPictureFromRes(const char* name, const char* resType, bool throwOnError)
{
    HGLOBAL block = nullptr;
    DWORD size = 0;
    CComPtr<IPicture> picture;
    HRESULT hr = S_OK;
    bool loaded = copyResource(name, resType, block, size, hr);
    if (loaded) {
        hr = pictureFromBlock(block, size, picture);
        loaded = SUCCEEDED(hr);
    }
    if (!loaded) {
        if (throwOnError)
            throw new vbEsys(hr, "Unable to load or to find resource picture");
        return guiPicture();
    }
    return guiPicture(picture);
}

guiPicture LoadPictureFromRes(unsigned int id, const char* resType, bool throwOnError)
{
    return LoadPictureFromRes(MAKEINTRESOURCEA(id), resType, throwOnError);
}
