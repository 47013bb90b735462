// A second process on a shared heap, driven line by line through stdin; every command answers
// one line on stdout ("ok ..." or "err <message>").
//
//   open <name> <cByteMax> <cByteLoaded> <cByteSector> <cBytePage>  -> ok <sector> <perPage> <page> <data>
//   alloc <cByte> <fill>       a new block filled with the byte, kept  -> ok <handle>
//   lockuse / unlockuse        on the block kept last                  -> ok
//   load <handle>              the block, kept                         -> ok <length> <first byte>
//   drop                       lets every kept block go                -> ok
//   check                      -> ok <findings> <busy> <used free> <unused free>
//   mainget <cByteNew>         getMainBlock(out, cByteNew, 0), kept    -> ok <found> <handle>
//   maindel                    -> ok <deleted>
//   holdlock                   takes the heap lock and keeps it        -> ok
//   exit                       ends at once, cleaning nothing up
//   quit                       ends normally

#include "vbException.h"
#include "vbSharedMem.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

int main()
{
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    vbSharedHeap* heap = nullptr;
    std::vector<vbSharedMemPtr> kept;
    std::string line;
    while (std::getline(std::cin, line)) {
        std::istringstream in(line);
        std::string cmd;
        in >> cmd;
        std::ostringstream out;
        try {
            if (cmd == "open") {
                std::string name;
                unsigned long long max = 0;
                unsigned long loaded = 0, sector = 0, page = 0;
                in >> name >> max >> loaded >> sector >> page;
                heap = new vbSharedHeap(max, name.c_str(), true, ULONG(loaded), ULONG(sector), ULONG(page));
                out << "ok " << heap->GetSectorSize() << ' ' << heap->GetSectorsPerPage() << ' '
                    << heap->GetPageSize() << ' ' << heap->GetMaxByteCount();
            } else if (cmd == "alloc") {
                unsigned long n = 0;
                int fill = 0;
                in >> n >> fill;
                vbSharedMemPtr mem;
                heap->Alloc(&mem, ULONG(n), true);
                vbMemLock lock(mem);
                std::memset(static_cast<void*>(lock), fill, mem->GetLength());
                out << "ok " << mem->GetHandle();
                kept.push_back(mem);
            } else if (cmd == "lockuse") {
                kept.back()->LockUse();
                out << "ok";
            } else if (cmd == "unlockuse") {
                kept.back()->UnlockUse();
                out << "ok";
            } else if (cmd == "load") {
                vbSharedHandle h = 0;
                in >> h;
                vbSharedMemPtr mem;
                heap->Load(&mem, h, 0, true);
                vbMemLock lock(mem);
                out << "ok " << mem->GetLength() << ' ' << int(*static_cast<unsigned char*>(static_cast<void*>(lock)));
                kept.push_back(mem);
            } else if (cmd == "drop") {
                kept.clear();
                out << "ok";
            } else if (cmd == "check") {
                out << "ok " << heap->Check() << ' ' << heap->GetBusyByteCount() << ' '
                    << heap->GetUsedFreeByteCount() << ' ' << heap->GetUnusedFreeByteCount();
            } else if (cmd == "mainget") {
                unsigned long n = 0;
                in >> n;
                vbSharedMemPtr mem;
                bool found = heap->getMainBlock(&mem, ULONG(n), 0);
                out << "ok " << found << ' ' << (found ? mem->GetHandle() : 0);
                if (found)
                    kept.push_back(mem);
            } else if (cmd == "maindel") {
                out << "ok " << heap->delMainBlock();
            } else if (cmd == "holdlock") {
                heap->Lock();
                out << "ok";
            } else if (cmd == "exit") {
                _exit(0);
            } else if (cmd == "quit") {
                break;
            } else {
                out << "err unknown command";
            }
        } catch (CException* e) {
            auto* vb = dynamic_cast<vbEbase*>(e);
            out.str("");
            out << "err " << (vb ? vb->GetMsg() : "exception");
            e->Delete();
        }
        std::cout << out.str() << std::endl;
    }
    kept.clear();
    if (heap)
        heap->Release();
    return 0;
}
