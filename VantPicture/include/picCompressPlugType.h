#pragma once

// The "Picture" plug type: picture compressors and decompressors live in plug-in modules of this
// type, whose objects are named by the file types they serve joined by "." ("jpg.jpeg"). It picks
// an object by file type or by a file's first bytes, in priority order.

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
};

// The message by which every process is asked to read the type's configuration again.
extern PICAPI vbExtraMsg g_picCompressPlugMsg;
extern PICAPI picCompressPlugType g_picCompressPlugType;
