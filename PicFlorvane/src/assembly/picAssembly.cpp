#include "picAssembly.h"

#include "assembly/picAssemblyPixels.h"
#include "assembly/picAssemblyTables.h"
#include "assembly/picRowRunner.h"

#include "VantPicture.h"
#include "vbDnItf.h"
#include "vbException.h"
#include "vbMsg.h"

#include <deque>
#include <vector>

namespace {

const char kProjectFailureStart[] = "Can't make result image for project ";

// One loaded source: its slots (which its tables read until completion) and its bitmap.
struct LoadedSource {
    picAssemblySlots slots;
    picBitmapPtr bitmap;
    bool grey = false;
    int index = 0; // of the child
};

class Worker {
public:
    Worker(const picAssemblyContext& ctx, picAssemblyTables::Mode mode) : m_ctx(ctx), m_mode(mode) { }

    bool run()
    {
        picAssemblySlots project;
        m_ctx.host->GetProject(&project);
        requireFilter(project);
        picAssemblyTables tables(m_mode, project.mono);
        if (!tables.setOutput(filtersOf(project).data()))
            return false;
        m_result = m_ctx.host->BeginResult();
        if (!loadSources(tables))
            return false;
        if (!m_resultBitmap)
            throw new vbEuser(picProjectFailure(project.text, "no source image available"));
        tables.complete();
        makeRows(project, tables);
        m_ctx.host->EndResult(m_result);
        return true;
    }

private:
    static std::vector<sIpicFilterSource*> filtersOf(const picAssemblySlots& s)
    {
        return {s.filters[0].get(), s.filters[1].get(), s.filters[2].get()};
    }

    // Only the slots the project uses count: a monochrome project keeps the C2 and C3 of its
    // colour days, which give it nothing.
    static void requireFilter(const picAssemblySlots& project)
    {
        for (int c = 0; c < (project.mono ? 1 : 3); ++c)
            if (!project.filters[c]->GetKey().IsEmpty())
                return;
        throw new vbEuser(picProjectFailure(project.text, "no filter available"));
    }

    void report(int position, int total, const char* text) const
    {
        if (m_ctx.progress)
            m_ctx.progress->OnProgress(nullptr, static_cast<ULONG>(position), static_cast<ULONG>(total),
                static_cast<vbPlugStatus>(-1), text);
    }

    void checkStop() const
    {
        if (m_ctx.operation)
            m_ctx.operation->CheckStop();
    }

    // The children that contribute are found first; then their pictures are asked all at once, so
    // that they decode side by side, and taken in child order.
    bool loadSources(picAssemblyTables& tables)
    {
        const int total = m_ctx.host->GetChildCount();
        for (int index = 1;; ++index) {
            LoadedSource source;
            bool usable = false;
            if (!m_ctx.host->GetChild(index, &usable, &source.slots))
                break;
            report(index - 1, total, "Loading source images");
            if (!usable)
                continue;
            switch (tables.addSource(source.slots.mono, filtersOf(source.slots).data())) {
            case picAssemblyTables::needBands:
                return false;
            case picAssemblyTables::dropped:
                continue;
            case picAssemblyTables::kept:
                break;
            }
            source.index = index;
            m_sources.push_back(std::move(source));
        }
        // The centre serves the latest of these requests first: the last child is asked first so
        // that the first one needed is the first decoded when workers are few.
        for (auto s = m_sources.rbegin(); s != m_sources.rend(); ++s)
            m_ctx.host->AskBitmap(s->index);
        for (LoadedSource& source : m_sources) {
            source.bitmap = m_ctx.host->FetchBitmap(source.index);
            source.grey = isGrey(source);
            takeSize(source);
            checkStop();
        }
        return true;
    }

    // 24-bit B, G, R, or one grey byte per pixel as the decoder gives a greyscale picture.
    static bool isGrey(const LoadedSource& s)
    {
        picSize size;
        picBmpColorType type = picBmpNone;
        int bits = 0;
        s.bitmap->GetFormat(&size, &type, &bits);
        if (type == picBmpRGB && bits == 24)
            return false;
        if (type == picBmpGrey && bits == 8)
            return true;
        throw new vbEuser("Image " + s.slots.text + " has a pixel format that can't be assembled, can't make result image");
    }

    // The first source gives the result its size; every later one must have it too.
    void takeSize(const LoadedSource& s)
    {
        const picSize size = s.bitmap->GetPixelSize();
        if (!m_resultBitmap) {
            picBmpInfo info;
            info.size = size;
            info.bmpType = picBmpRGB;
            info.bitsPerPixel = 24;
            // An earlier result keeps its image; its bitmap is made anew at this size.
            if (!m_result)
                picCreateImage(&m_result, "PicF", "PicFlorvane assembly", picReqThrow);
            m_result->CreateBitmap(-1, &info, &m_resultBitmap);
            m_size = size;
            return;
        }
        if (size != m_size) {
            vbString msg;
            msg.Format("Image %s %ldx%ld has a different size from others images to assembly (%ldx%ld), can't make result image",
                static_cast<const char*>(s.slots.text), static_cast<long>(size.cx), static_cast<long>(size.cy),
                static_cast<long>(m_size.cx), static_cast<long>(m_size.cy));
            throw new vbEuser(msg);
        }
    }

    // The addresses of every row of a bitmap, taken once.
    std::vector<void*> rowsOf(IpicBitmap* bitmap, int bytesPerPixel) const
    {
        std::vector<void*> rows(static_cast<size_t>(m_size.cy));
        bitmap->GetBitmapRow(nullptr, 0, rows.data(), m_size.cy, m_size.cx * bytesPerPixel);
        return rows;
    }

    void makeRows(const picAssemblySlots& project, const picAssemblyTables& tables)
    {
        picPixelOutput output;
        output.mono = project.mono;
        for (int c = 0; c < 3; ++c) {
            output.factors[c] = project.factors[c];
            output.tables[c] = tables.output(c);
        }
        std::vector<picPixelSource> sources;
        std::vector<std::vector<void*>> sourceRows;
        for (size_t i = 0; i < m_sources.size(); ++i) {
            const LoadedSource& s = m_sources[i];
            picPixelSource p;
            p.mono = s.slots.mono;
            p.grey = s.grey;
            for (int n = 0; n < 3; ++n) {
                p.factors[n] = static_cast<int64_t>(s.slots.factors[n] * 1000);
                p.tables[n] = tables.source(static_cast<int>(i), n);
            }
            sources.push_back(p);
            sourceRows.push_back(rowsOf(s.bitmap, s.grey ? 1 : 3));
        }
        const std::vector<void*> resultRows = rowsOf(m_resultBitmap, 3);
        const auto kernel = m_mode == picAssemblyTables::curves ? picMakeCurveKernel(output, sources)
                                                                : picMakeBandKernel(output, sources);
        const int width = m_size.cx;
        const int height = m_size.cy;
        picRunRows(height, m_ctx.threads > 0 ? m_ctx.threads : picDefaultRowThreads(),
            [&](int first, int end) {
                std::vector<const uint8_t*> rows(sourceRows.size());
                for (int y = first; y < end; ++y) {
                    for (size_t i = 0; i < rows.size(); ++i)
                        rows[i] = static_cast<const uint8_t*>(sourceRows[i][static_cast<size_t>(y)]);
                    kernel->computeRow(rows.data(), static_cast<uint8_t*>(resultRows[static_cast<size_t>(y)]), width);
                }
            },
            [&](int row) { betweenRows(row, height); });
    }

    // The download worker stays responsive: its queue pumped, a quit or a stop honoured.
    void betweenRows(int row, int height) const
    {
        report(row, height, "Making result image");
        bool quit = false;
        while (vbDoOneEvent(&quit)) {
        }
        if (quit)
            throw new vbEuser("PicFlorvane stopping...");
        checkStop();
    }

    const picAssemblyContext& m_ctx;
    picAssemblyTables::Mode m_mode;
    picImagePtr m_result;
    picBitmapPtr m_resultBitmap;
    picSize m_size;
    std::deque<LoadedSource> m_sources;
};

} // namespace

vbString picProjectFailure(const vbString& project, const char* reason)
{
    return kProjectFailureStart + project + ", " + reason;
}

vbString picRenameInFailure(const vbString& message, const vbString& from, const vbString& to)
{
    const vbString start = kProjectFailureStart + from + ", ";
    if (from == to || message.Left(start.GetLength()) != start)
        return message;
    return kProjectFailureStart + to + ", " + message.Mid(start.GetLength() + 1);
}

bool assembleByCurves(const picAssemblyContext& ctx)
{
    return Worker(ctx, picAssemblyTables::curves).run();
}

void assembleByBands(const picAssemblyContext& ctx)
{
    Worker(ctx, picAssemblyTables::bands).run();
}
