#include "kernel/ElfNote.h"
#include "kernel/FileObject.h"
#include "kernel/ModuleRecords.h"

#include "plat/errors.h"
#include "plat/version.h"

#include <cstring>

namespace {

// The version block of a module file, read without loading it.
bool readBlock(LPCSTR fileName, std::vector<uint8_t>& block)
{
    std::string path;
    if (!plat::nativePath(fileName, path))
        return false;
    if (!plat::readElfNoteFromFile(path, plat::kVersionNote, block)) {
        // Any readable file that carries no record simply has no version information.
        if (GetLastError() == DWORD(ERROR_BAD_EXE_FORMAT))
            SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
        return false;
    }
    size_t size = plat::versionBlockSize(block.data(), block.size());
    if (size == 0) {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return false;
    }
    block.resize(size);
    return true;
}

} // namespace

DWORD GetFileVersionInfoSizeA(LPCSTR lptstrFilename, LPDWORD lpdwHandle)
{
    if (lpdwHandle)
        *lpdwHandle = 0;
    std::vector<uint8_t> block;
    if (!readBlock(lptstrFilename, block))
        return 0;
    return DWORD(block.size());
}

BOOL GetFileVersionInfoA(LPCSTR lptstrFilename, DWORD /*dwHandle*/, DWORD dwLen, LPVOID lpData)
{
    std::vector<uint8_t> block;
    if (!lpData) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!readBlock(lptstrFilename, block))
        return FALSE;
    // A cut block would let VerQueryValueA read past the caller's buffer: refuse it instead.
    if (dwLen < block.size()) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    std::memcpy(lpData, block.data(), block.size());
    return TRUE;
}

BOOL VerQueryValueA(LPCVOID pBlock, LPCSTR lpSubBlock, LPVOID* lplpBuffer, UINT* puLen)
{
    if (puLen)
        *puLen = 0;
    if (!pBlock || !lpSubBlock || !lplpBuffer) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const uint8_t* block = static_cast<const uint8_t*>(pBlock);
    // The block carries its own size; the caller's buffer holds at least that much.
    uint32_t declared = uint32_t(block[4]) | uint32_t(block[5]) << 8 | uint32_t(block[6]) << 16 | uint32_t(block[7]) << 24;
    if (plat::versionBlockSize(block, declared) == 0) {
        SetLastError(ERROR_INVALID_DATA);
        return FALSE;
    }
    const uint8_t* value;
    uint32_t size;
    if (!plat::findVersionValue(block, lpSubBlock, value, size)) {
        SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
        return FALSE;
    }
    *lplpBuffer = const_cast<uint8_t*>(value);
    if (puLen)
        *puLen = size;
    return TRUE;
}
