#pragma once

// The two workers of the result-image assembly: the sources' pictures taken through their light
// filters and seen through the project's, row by row, into one 24-bit image. The project and its
// children are reached through a host, so that the workers read only snapshots of the nodes.

#include "picWavelengthTable.h"

#include "picItf.h"
#include "vbHotPlugItf.h"

#include <memory>

class vbDnData;

// The filter slots of one node, copied under its lock; C1 gives red, C2 green, C3 blue.
struct picAssemblySlots {
    vbString text;
    bool mono = false;
    double factors[3] = {100, 100, 100};
    std::unique_ptr<sIpicFilterSource> filters[3];
};

class sIpicAssemblyHost {
public:
    virtual void GetProject(picAssemblySlots* out) = 0;
    virtual int GetChildCount() = 0;
    // Child index (from 1); false past the last one. usable tells a checked source image, whose
    // slots are then copied.
    virtual bool GetChild(int index, bool* usable, picAssemblySlots* out) = 0;
    // Starts loading that child's picture, which FetchBitmap then waits for; a host that loads
    // only when asked to fetch does nothing.
    virtual void AskBitmap(int) { }
    // The main bitmap of that child's picture, loaded through the download centre.
    virtual picBitmapPtr FetchBitmap(int index) = 0;
    // The result object, now not loaded; answers its current image (possibly none).
    virtual picImagePtr BeginResult() = 0;
    // The image made the result's, and the result loaded.
    virtual void EndResult(IpicImage* image) = 0;

protected:
    ~sIpicAssemblyHost() = default;
};

struct picAssemblyContext {
    sIpicAssemblyHost* host = nullptr;
    // Progress and errors go there; none reports nothing.
    IvbHotPlugCb* progress = nullptr;
    // The download operation whose stop is checked.
    const vbDnData* operation = nullptr;
    // Threads the rows are spread over; 0: one per core.
    int threads = 0;
};

// False when a used slot holds a band key: the band worker is to be used.
bool assembleByCurves(const picAssemblyContext& ctx);
void assembleByBands(const picAssemblyContext& ctx);

// The failure of an assembly that names its project, said with the name the assembly read.
vbString picProjectFailure(const vbString& project, const char* reason);
// message said with the name to where it is such a failure naming from; any other message as it is.
vbString picRenameInFailure(const vbString& message, const vbString& from, const vbString& to);
