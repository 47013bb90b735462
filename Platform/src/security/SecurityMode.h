#pragma once

// What the security model offers the platform's other kernel objects (exported for the
// platform's own tests).

#include "plat/api.h"
#include "plat/types.h"

#include <sys/types.h>

namespace plat {

// The file mode for a named object or file created with these attributes. No attributes, no
// descriptor, no DACL or a null DACL give the owner alone (0600): unlike the original platform,
// an open null DACL does not open the object to every local user. Entries of a DACL are read in
// order, an earlier entry deciding a permission bit before a later one:
// - "Everyone" decides the group and the other bits;
// - the process's own group decides the group bits;
// - any other user or group decides the other bits (a mode cannot name one foreign account);
// - entries for the process's own user change nothing (the owner always has 0600).
// Read access (GENERIC_READ, GENERIC_EXECUTE, READ_CONTROL, SYNCHRONIZE) gives "r", write access
// (GENERIC_WRITE, DELETE, WRITE_DAC, WRITE_OWNER) gives "w", GENERIC_ALL and the object-specific
// rights give both. Denied entries only withhold; execute bits are never given.
PLATAPI mode_t modeFromSecurityAttributes(const SECURITY_ATTRIBUTES* attributes);

// Kernel objects that live on a file (named objects, files) derive from this as well as from
// KernelObject, so that GetKernelObjectSecurity can describe them from the file's owner, group
// and mode.
class SecuredObject {
public:
    virtual ~SecuredObject() = default;
    // An open descriptor of the object's file, or -1 when there is none.
    virtual int securityFd() const = 0;
};

} // namespace plat
