#include "jpegCompressor.h"

#include "jpegObjectEnd.h"
#include "jpegRowLock.h"

#include "picException.h"

#include "vbExceptionReport.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr size_t kWorkSize = 4096;

[[noreturn]] void readFault(const char* message)
{
    throw new picEcompress(STG_E_READFAULT, vbString(message), vbString("jpegCompressor::Read()"));
}

// Pixels per millimetre times ten, the 16-bit field's limit for what does not fit.
UINT16 density(int pixels, double millimetres)
{
    const double value = pixels / millimetres * 10;
    return value >= 65535 ? UINT16(65535) : static_cast<UINT16>(value);
}

struct ColorChoice {
    int components;
    J_COLOR_SPACE space;
    picBmpColorType copyType;
};

// What a bitmap of this type is told as when its depth is 8 bits per component.
ColorChoice choiceFor(picBmpColorType type)
{
    switch (type) {
    case picBmpGrey:
        return {1, JCS_GRAYSCALE, picBmpGrey};
    case picBmpCMYK:
        return {4, JCS_CMYK, picBmpCMYK};
    case picBmpColorType(3):
    case picBmpColorType(6):
        return {3, JCS_YCbCr, picBmpColorType(3)};
    case picBmpColorType(4):
        return {4, JCS_YCCK, picBmpColorType(4)};
    default:
        return {3, JCS_EXT_BGR, picBmpRGB};
    }
}

} // namespace

jpegCompressor::jpegCompressor(vbHotPlugFactory* factory) : m_factory(factory)
{
    m_factory->IncObjCnt();
    m_dest.owner = this;
    m_dest.init_destination = initDestination;
    m_dest.empty_output_buffer = emptyOutputBuffer;
    m_dest.term_destination = termDestination;
}

jpegCompressor::~jpegCompressor()
{
    if (m_created)
        jpeg_destroy_compress(&m_cinfo);
    jpegEndObject(m_image, m_bitmap, m_factory);
}

bool jpegCompressor::GetInterface(const GUID& iid, void** ppv)
{
    if (iid == IID_IpicCompressor || iid == IID_IvbInputStream) {
        *ppv = static_cast<IpicCompressor*>(this);
        return true;
    }
    return vbObject::GetInterface(iid, ppv);
}

bool jpegCompressor::CanRead() const { return m_created && m_image; }

DWORD jpegCompressor::ReadString(vbString*, vbString*, IvbStreamMode*)
{
    throw new picEcompress(E_NOTIMPL, vbString("jpegCompressor::ReadString() : not implemented (JPEG plugin)"));
}

DWORD jpegCompressor::ReadStringW(vbBSTR*, vbBSTR*, IvbStreamMode*)
{
    throw new picEcompress(E_NOTIMPL, vbString("jpegCompressor::ReadStringW() : not implemented (JPEG plugin)"));
}

bool jpegCompressor::GetCompressSetting(int, picSettingInfo*) { return false; }
bool jpegCompressor::GetCompressSettingValue(int, int*, vbString*) { return false; }

// No setting is known.
void jpegCompressor::SetCompressSetting(int, int, const char* name, picReqMode mode)
{
    if (mode == picReqThrow)
        throw new picEcompressUser(E_FAIL, vbString(name) + " setting not supported or unknown",
            vbString("jpegCompressor::SetCompressSetting()"));
}

void jpegCompressor::ResetSettings(int level)
{
    discard();
    SetCompressLevel(level);
}

void jpegCompressor::SetCompressLevel(int level)
{
    vbString context;
    if (m_created) {
        context.Format("jpegCompressor::SetCompressLevel(%d)", level);
        throw new picEcompress(E_FAIL,
            vbString("JPEG compression: can't change compression level after compression is started"), context);
    }
    static const int presets[] = {75, 100, 50, 0};
    if (level >= -4 && level <= -1)
        level = presets[-level - 1];
    if (level < 0 || level > 100) {
        context.Format("jpegCompressor::SetCompressionLevel(%d)", level);
        throw new picEcompress(E_FAIL, vbString("JPEG compression: Bad compression level (must be between 0 and 100)"),
            context);
    }
    m_level = level;
}

int jpegCompressor::GetCompressLevel() const { return m_level; }

bool jpegCompressor::GetInput(picBitmapPtr* out, picReqMode mode)
{
    if (m_bitmap) {
        if (out)
            *out = m_bitmap;
        return true;
    }
    if (mode == picReqThrow)
        throw new picEcompress(E_FAIL, vbString("No current bitmap affected to JPEG compressor"),
            vbString("jpegCompressor::GetInput()"));
    return false;
}

bool jpegCompressor::GetInput(picImagePtr* out, picReqMode mode)
{
    if (m_image) {
        if (out)
            *out = m_image;
        return true;
    }
    if (mode == picReqThrow)
        throw new picEcompress(E_FAIL, vbString("No current image affected to JPEG compressor"),
            vbString("jpegCompressor::GetInput()"));
    return false;
}

void jpegCompressor::discard()
{
    if (m_created) {
        jpeg_destroy_compress(&m_cinfo);
        m_created = false;
    }
    m_output.Clear();
    m_outStart = m_outEnd = 0;
}

void jpegCompressor::recreate()
{
    discard();
    jpegInitErrorMgr(&m_err);
    m_cinfo.err = &m_err;
    jpegCall(common(), [&] { jpeg_CreateCompress(&m_cinfo, JPEG_LIB_VERSION, sizeof m_cinfo); });
    m_created = true;
}

void jpegCompressor::SetInputBitmap(IpicBitmap* bitmap)
{
    recreate();
    m_image = nullptr;
    m_bitmap = bitmap;
}

void jpegCompressor::SetInputImage(IpicImage* image)
{
    recreate();
    m_image = image;
    m_bitmap = nullptr;
    m_image->GetBitmap(-1, &m_bitmap, picReqThrow);
    start();
}

void jpegCompressor::start()
{
    m_output.Clear();
    m_outStart = m_outEnd = 0;
    m_finished = false;
    m_cinfo.dest = &m_dest;
    picSize size;
    picBmpColorType type = picBmpNone;
    int bits = 0;
    m_bitmap->GetFormat(&size, &type, &bits);
    m_cinfo.image_width = static_cast<JDIMENSION>(size.cx);
    m_cinfo.image_height = static_cast<JDIMENSION>(size.cy);
    chooseColorSpace(size, type, bits);
    jpegCall(common(), [&] { jpeg_set_defaults(&m_cinfo); });
    jpegCall(common(), [&] { jpeg_set_quality(&m_cinfo, 100 - m_level, TRUE); });
    setDensity();
    jpegCall(common(), [&] { jpeg_start_compress(&m_cinfo, TRUE); });
}

// Colour bitmaps hold B, G, R (and a fourth byte at 32 bits); libjpeg reads them so directly.
void jpegCompressor::chooseColorSpace(const picSize& size, picBmpColorType type, int bits)
{
    ColorChoice choice = choiceFor(type);
    if ((type == picBmpRGB || type == picBmpColorType(5)) && bits == 32)
        choice = {4, JCS_EXT_BGRX, type};
    if (bits != 8 * choice.components) {
        picBitmapPtr copy;
        m_bitmap->CreateCopy(&size, choice.copyType, 8 * choice.components, &copy, picReqThrow);
        m_bitmap = copy;
    }
    m_cinfo.input_components = choice.components;
    m_cinfo.in_color_space = choice.space;
}

void jpegCompressor::setDensity()
{
    if (!m_image)
        return;
    const picMetricSize metric = m_image->GetMetricSize(1, picMetricUnit(1));
    if (!metric.IsValid())
        return;
    m_cinfo.density_unit = 2;
    m_cinfo.X_density = density(static_cast<int>(m_cinfo.image_width), metric.cx);
    m_cinfo.Y_density = density(static_cast<int>(m_cinfo.image_height), metric.cy);
}

DWORD jpegCompressor::Read(void* buffer, DWORD length, bool exact)
{
    if (!CanRead())
        readFault("Read failed, JPEG compressor not started");
    DWORD delivered = 0;
    while (delivered < length) {
        if (!makeOutput(length - delivered)) {
            if (exact)
                readFault("Read failed, JPEG End of image reached");
            return delivered;
        }
        const size_t n = std::min<size_t>(length - delivered, waiting());
        std::memcpy(static_cast<char*>(buffer) + delivered,
            static_cast<const unsigned char*>(static_cast<const void*>(m_output)) + m_outStart, n);
        delivered += static_cast<DWORD>(n);
        m_outStart += n;
        if (m_outStart == m_outEnd) {
            m_output.Clear();
            m_outStart = m_outEnd = 0;
        }
    }
    return delivered;
}

bool jpegCompressor::makeOutput(size_t n)
{
    if (waiting() >= n)
        return true;
    if (m_cinfo.next_scanline >= m_cinfo.image_height) {
        finish();
        return waiting() > 0;
    }
    const int rowLength = static_cast<int>(m_cinfo.image_width) * m_cinfo.input_components;
    jpegRowLock holder;
    for (;;) {
        void* row = nullptr;
        m_bitmap->GetBitmapRow(&holder.lock, static_cast<int>(m_cinfo.next_scanline), &row, 1, rowLength);
        jpegCall(common(), [&] { return jpeg_write_scanlines(&m_cinfo, reinterpret_cast<JSAMPARRAY>(&row), 1); });
        // The last row finishes the file at once: the reads that follow only drain the buffer.
        if (m_cinfo.next_scanline >= m_cinfo.image_height) {
            holder.release();
            finish();
            return waiting() > 0;
        }
        if (waiting() >= n)
            return true;
    }
}

void jpegCompressor::finish()
{
    if (m_finished)
        return;
    jpegCall(common(), [&] { jpeg_finish_compress(&m_cinfo); });
    m_finished = true;
}

void jpegCompressor::append(const JOCTET* bytes, size_t n)
{
    const size_t capacity = static_cast<size_t>(m_output.GetLength());
    if (m_outEnd + n > capacity) {
        const size_t used = waiting();
        if (m_outStart > 0 && used + n <= capacity) {
            unsigned char* base = m_output.GetWritePtr(static_cast<int>(capacity));
            std::memmove(base, base + m_outStart, used);
        } else {
            const size_t grown = std::max(used + n, 2 * capacity);
            if (grown > 0x7FFFFFFF)
                throw new vbEsys(E_INVALIDARG, "vbData.SetLength() failure");
            vbData larger;
            unsigned char* to = larger.GetWritePtr(static_cast<int>(grown));
            if (used)
                std::memcpy(to, static_cast<const unsigned char*>(static_cast<const void*>(m_output)) + m_outStart, used);
            m_output = std::move(larger);
        }
        m_outStart = 0;
        m_outEnd = used;
    }
    std::memcpy(m_output.GetWritePtr(m_output.GetLength()) + m_outEnd, bytes, n);
    m_outEnd += n;
}

void jpegCompressor::initDestination(j_compress_ptr cinfo)
{
    auto* dest = static_cast<Destination*>(cinfo->dest);
    dest->work = static_cast<JOCTET*>(
        cinfo->mem->alloc_small(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE, kWorkSize));
    dest->next_output_byte = dest->work;
    dest->free_in_buffer = kWorkSize;
}

boolean jpegCompressor::emptyOutputBuffer(j_compress_ptr cinfo)
{
    auto* dest = static_cast<Destination*>(cinfo->dest);
    try {
        dest->owner->append(dest->work, kWorkSize);
        dest->next_output_byte = dest->work;
        dest->free_in_buffer = kWorkSize;
        return TRUE;
    } catch (...) {
        jpegKeep(reinterpret_cast<j_common_ptr>(cinfo));
    }
    jpegLeave(reinterpret_cast<j_common_ptr>(cinfo));
}

void jpegCompressor::termDestination(j_compress_ptr cinfo)
{
    auto* dest = static_cast<Destination*>(cinfo->dest);
    try {
        if (const size_t used = kWorkSize - dest->free_in_buffer)
            dest->owner->append(dest->work, used);
        return;
    } catch (...) {
        jpegKeep(reinterpret_cast<j_common_ptr>(cinfo));
    }
    jpegLeave(reinterpret_cast<j_common_ptr>(cinfo));
}
