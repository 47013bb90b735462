#pragma once

// What the registry had to tell a person (a damaged file kept aside and replaced by what could be
// read of it, a file that cannot be used), each shown in a box; each is on stderr already.
void picShowRegistryNotices();
