#include "jpegDecompressor.h"

#include "jpegObjectEnd.h"
#include "jpegRowLock.h"

#include "picException.h"
#include "VantPicture.h"

#include "vbExceptionReport.h"

#include <jerror.h>

#include <algorithm>

namespace {

const JOCTET* bytesOf(const vbData& data) { return static_cast<const JOCTET*>(static_cast<const void*>(data)); }

void termSource(j_decompress_ptr) { }

picBmpColorType colorType(J_COLOR_SPACE space)
{
    switch (space) {
    case JCS_GRAYSCALE:
        return picBmpGrey;
    case JCS_EXT_BGR:
        return picBmpRGB;
    case JCS_YCbCr:
        return picBmpColorType(3);
    case JCS_CMYK:
        return picBmpColorType(2);
    case JCS_YCCK:
        return picBmpColorType(4);
    default:
        return picBmpNone;
    }
}

} // namespace

jpegDecompressor::jpegDecompressor(vbHotPlugFactory* factory) : m_factory(factory)
{
    m_factory->IncObjCnt();
    m_src.init_source = [](j_decompress_ptr cinfo) { static_cast<Source*>(cinfo->src)->skip = 0; };
    // Every byte written is handed over before the library runs, so running out means suspending;
    // libjpeg then goes back to the last point it committed, keeping what it had not consumed.
    // Once the file has ended, an end marker stands in for the missing bytes, as libjpeg's own
    // readers of files do, and the early end is warned about.
    m_src.fill_input_buffer = [](j_decompress_ptr cinfo) -> boolean {
        auto* src = static_cast<Source*>(cinfo->src);
        if (!src->ended)
            return FALSE;
        static const JOCTET endMarker[2] = {0xFF, JPEG_EOI};
        WARNMS(cinfo, JWRN_JPEG_EOF);
        src->next_input_byte = endMarker;
        src->bytes_in_buffer = sizeof endMarker;
        return TRUE;
    };
    m_src.skip_input_data = [](j_decompress_ptr cinfo, long n) {
        auto* src = static_cast<Source*>(cinfo->src);
        if (n <= 0)
            return;
        if (static_cast<size_t>(n) <= src->bytes_in_buffer) {
            src->next_input_byte += n;
            src->bytes_in_buffer -= n;
            return;
        }
        src->skip += n - static_cast<long>(src->bytes_in_buffer);
        src->next_input_byte = nullptr;
        src->bytes_in_buffer = 0;
    };
    m_src.resync_to_restart = jpeg_resync_to_restart;
    m_src.term_source = termSource;
}

jpegDecompressor::~jpegDecompressor()
{
    if (m_created)
        jpeg_destroy_decompress(&m_cinfo);
    jpegEndObject(m_image, m_bitmap, m_factory);
}

bool jpegDecompressor::GetInterface(const GUID& iid, void** ppv)
{
    if (iid == IID_IpicDecompressor || iid == IID_IvbOutputStream) {
        *ppv = static_cast<IpicDecompressor*>(this);
        return true;
    }
    return vbObject::GetInterface(iid, ppv);
}

bool jpegDecompressor::CanWrite() const { return m_created; }

DWORD jpegDecompressor::WriteStream(IvbInputStream*, DWORD, bool) { return 0xFFFFFFFF; }
DWORD jpegDecompressor::WriteStream(IvbInputStream*) { return 0xFFFFFFFF; }

DWORD jpegDecompressor::WriteString(const char*, DWORD, bool, IvbStreamMode*)
{
    throw new picEcompress(E_NOTIMPL, vbString("jpegCompressor::WriteString() : not implemented (JPEG plugin)"));
}

DWORD jpegDecompressor::WriteStringW(const WCHAR*, DWORD, bool, IvbStreamMode*)
{
    throw new picEcompress(E_NOTIMPL, vbString("jpegCompressor::WriteStringW() : not implemented (JPEG plugin)"));
}

bool jpegDecompressor::GetProgress(int*, int*) { return false; }
bool jpegDecompressor::GetOutputFormat(picSize*, picBmpColorType*, int*, picReqMode) { return false; }
bool jpegDecompressor::SetOutputFormat(picBmpColorType, int, picReqMode) { return false; }
void jpegDecompressor::Reset() { }

void jpegDecompressor::SetOutputImage(IpicImage* image)
{
    if (m_created) {
        jpeg_destroy_decompress(&m_cinfo);
        m_created = false;
        m_bitmap = nullptr;
        m_step = 0;
    }
    jpegInitErrorMgr(&m_err);
    m_cinfo.err = &m_err;
    jpegCall(common(), [&] { jpeg_CreateDecompress(&m_cinfo, JPEG_LIB_VERSION, sizeof m_cinfo); });
    m_created = true;
    m_current.Clear();
    m_src.next_input_byte = nullptr;
    m_src.bytes_in_buffer = 0;
    m_src.skip = 0;
    m_src.ended = false;
    m_cinfo.src = &m_src;
    m_step = 1;
    m_image = image;
    m_bitmap = nullptr;
}

bool jpegDecompressor::GetOutput(picImagePtr* out, picReqMode mode)
{
    if (m_image) {
        if (out)
            *out = m_image;
        return true;
    }
    if (mode == picReqThrow)
        throw new picEcompress(E_FAIL, vbString("No current image affected to JPEG decompressor"),
            vbString("jpegCompressor::GetOutput()"));
    return false;
}

void jpegDecompressor::throwNotStarted()
{
    throw new picEcompress(STG_E_WRITEFAULT, vbString("Write failed, JPEG decompressor not started"),
        vbString("jpegCompressor::Write()"));
}

bool jpegDecompressor::EndOfData(vbString* damage)
{
    if (!m_created)
        throwNotStarted();
    if (m_step != 0) {
        m_src.ended = true;
        try {
            while (process()) {
            }
        } catch (...) {
            dropInput();
            throw;
        }
        dropInput();
    }
    if (m_err.num_warnings == 0)
        return true;
    if (damage)
        *damage = m_err.warning;
    return false;
}

void jpegDecompressor::dropInput()
{
    m_current.Clear();
    m_src.next_input_byte = nullptr;
    m_src.bytes_in_buffer = 0;
}

DWORD jpegDecompressor::Write(const void* data, DWORD length, bool)
{
    if (!m_created)
        throwNotStarted();
    feed(static_cast<const JOCTET*>(data), length);
    try {
        while (process()) {
        }
    } catch (...) {
        try {
            keepTail();
        } catch (CException* e) {
            e->Delete();
            dropInput();
        }
        throw;
    }
    if (m_step != 0) {
        keepTail();
        return length;
    }
    const size_t leftover = m_src.bytes_in_buffer;
    dropInput();
    vbString text;
    if (m_src.skip != 0) {
        text.Format("Bytes to skip staying at decompression end, can't get processed data length (JPEG plugin, "
                    "bytes: %ld)",
            m_src.skip);
        throw new picEcompress(E_FAIL, text);
    }
    if (leftover > length) {
        text.Format("Too many data staying at decompression end, can't get processed data length (JPEG plugin, "
                    "bytes staying: %zu, current bytes written: %lu)",
            leftover, static_cast<unsigned long>(length));
        throw new picEcompress(E_FAIL, text);
    }
    return length - static_cast<DWORD>(leftover);
}

void jpegDecompressor::feed(const JOCTET* data, DWORD length)
{
    if (m_src.bytes_in_buffer == 0) {
        const DWORD skipped = static_cast<DWORD>(std::min<long>(m_src.skip, length));
        m_src.skip -= skipped;
        m_current.Clear();
        m_src.next_input_byte = length > skipped ? data + skipped : nullptr;
        m_src.bytes_in_buffer = length - skipped;
        return;
    }
    if (length == 0)
        return;
    const int tail = static_cast<int>(m_src.bytes_in_buffer);
    vbData joined(m_src.next_input_byte, tail);
    joined.Add(data, static_cast<int>(length));
    m_current = std::move(joined);
    m_src.next_input_byte = bytesOf(m_current);
    m_src.bytes_in_buffer = m_current.GetLength();
}

void jpegDecompressor::keepTail()
{
    if (m_src.bytes_in_buffer == 0) {
        dropInput();
        return;
    }
    if (m_src.next_input_byte == bytesOf(m_current))
        return;
    vbData tail(m_src.next_input_byte, static_cast<int>(m_src.bytes_in_buffer));
    m_current = std::move(tail);
    m_src.next_input_byte = bytesOf(m_current);
}

bool jpegDecompressor::process()
{
    switch (m_step) {
    case 1:
        return readHeader();
    case 2:
        if (!jpegCall(common(), [&] { return jpeg_start_decompress(&m_cinfo); }))
            return false;
        m_step = 3;
        return true;
    case 3:
        return readRows();
    case 4:
        if (jpegCall(common(), [&] { return jpeg_finish_decompress(&m_cinfo); }))
            m_step = 0;
        return false;
    default: {
        vbString text;
        text.Format("jpegCompressor::jpegProcess() : unknown step(%d) (JPEG plugin)", m_step);
        throw new picEcompress(E_INVALIDARG, text);
    }
    }
}

bool jpegDecompressor::readHeader()
{
    if (jpegCall(common(), [&] { return jpeg_read_header(&m_cinfo, TRUE); }) == JPEG_SUSPENDED)
        return false;
    // Colour files are stored B, G, R, the order of every 24-bit bitmap of the system.
    if (m_cinfo.out_color_space == JCS_RGB)
        m_cinfo.out_color_space = JCS_EXT_BGR;
    jpegCall(common(), [&] { jpeg_calc_output_dimensions(&m_cinfo); });
    const picBmpColorType type = colorType(m_cinfo.out_color_space);
    if (type == picBmpNone) {
        vbString context;
        context.Format("jpegCompressor::jpegProcessWaitingData(type: %d, num components: %d)",
            static_cast<int>(m_cinfo.out_color_space), m_cinfo.output_components);
        throw new picEcompress(E_NOTIMPL, vbString("Unknown jpeg format"), context);
    }
    if (!m_image)
        picCreateImage(&m_image, "simple", "JPEG image", picReqThrow);
    m_image->SetBitmapCount(0);
    m_bitmap = nullptr;
    picBmpInfo info;
    info.size = picSize(static_cast<int>(m_cinfo.output_width), static_cast<int>(m_cinfo.output_height));
    info.bmpType = type;
    info.bitsPerPixel = 8 * m_cinfo.output_components;
    m_image->CreateBitmap(-1, &info, &m_bitmap);
    m_step = 2;
    return true;
}

bool jpegDecompressor::readRows()
{
    const int rowLength = static_cast<int>(m_cinfo.output_width) * m_cinfo.output_components;
    jpegRowLock holder;
    while (m_cinfo.output_scanline < m_cinfo.output_height) {
        void* rows[2] = {};
        const int count = m_bitmap->GetBitmapRow(&holder.lock, static_cast<int>(m_cinfo.output_scanline), rows, 2,
            rowLength);
        const JDIMENSION read = jpegCall(common(), [&] {
            return jpeg_read_scanlines(&m_cinfo, reinterpret_cast<JSAMPARRAY>(rows), static_cast<JDIMENSION>(count));
        });
        if (read == 0)
            return false;
    }
    holder.release();
    m_step = 4;
    return true;
}
