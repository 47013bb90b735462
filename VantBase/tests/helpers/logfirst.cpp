// Writes one record to the release log as the first thing the process logs, then the same
// record again with a second line, and exits.

#include "vbLog.h"

int main()
{
    vbRelOutput(vbString("first record"), true);
    vbRelOutput(vbString("line one\nline two"), true);
    return 0;
}
