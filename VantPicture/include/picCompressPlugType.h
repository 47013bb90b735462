#pragma once

// The "Picture" plug type: picture compressors and decompressors live in plug-in modules of this
// type, whose objects are named by the file types they serve joined by "." ("jpg.jpeg"). It picks
// an object by file type or by a file's first bytes, in priority order.
//
// Requests are not serialised: each holds the type in use, the type's lock guards only its tables,
// and plug-ins are always called without it.

#include "picExport.h"
#include "picItf.h"

#include "vbHotPlugin.h"

class PICAPI picCompressPlugType : public vbHotPlugType {
public:
    picCompressPlugType(const char* name, const char* version, const char* label, vbExtraMsg* msg,
        const vbEngineDeps& deps);
    ~picCompressPlugType() override;

    bool GetInterface(const GUID& iid, const void** ppv) const override;
    bool GetInterface(const GUID& iid, void** ppv) override;

    // The plug-in object serving fileType (its whole name, else any of its "."-separated parts,
    // ignoring case), as its picture face; false when none does. With plug null it only tells
    // whether one does.
    bool CreatePluggedObject(const vbString& fileType, picCompressPlugPtr* plug, vbHotPluginPtr* plugin);
    using vbHotPlugType::CanWorkWith;

    // The names of every plug-in object in priority order, into out when given; their count.
    int GetSupportedType(vbArray<vbString>* out);

    // The first plug-in object, in priority order, that accepts the stream; it fills decompressor
    // and gives it image as output.
    bool CanWorkWithType(const char* ext, IvbInputStream* stream, picDecompressorPtr* decompressor, IpicImage* image);
    // The same for a file's first bytes. The first object that asks for more bytes ends the
    // search: false, and *needed is that count. Otherwise *needed is left as it was.
    bool CanWorkWithType(const char* ext, const unsigned char* data, int length, int* needed,
        picDecompressorPtr* decompressor, IpicImage* image);

protected:
    // The object serving fileType, created into object and its module's handle into plugin
    // (either may be null).
    bool CreatePluggedObject(const vbString& fileType, vbHotPlugObjectPtr* object, vbHotPluginPtr* plugin);
    bool CreatePluggedObject(sIvbPlugPtr* ptr, const vbString& name) { return vbHotPlugType::CreatePluggedObject(ptr, name); }

    // Smaller priority first; equal ones by name, ignoring case.
    static int PrioritySort(const Object& a, const Object& b);

private:
    // The name and module of the object serving fileType; false when none does.
    bool matchType(const vbString& fileType, vbString* name, PluginPtr* plugin);
};

// The message by which every process is asked to read the type's configuration again.
extern PICAPI vbExtraMsg g_picCompressPlugMsg;
extern PICAPI picCompressPlugType g_picCompressPlugType;
