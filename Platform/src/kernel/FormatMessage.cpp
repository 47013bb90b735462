#include "plat/errors.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

struct MessageText {
    DWORD id;
    const char* text;
};

// The system's fixed English texts, each ending in CR LF as the original platform's do.
const MessageText kMessages[] = {
    {0, "The operation completed successfully.\r\n"},
    {1, "Incorrect function.\r\n"},
    {2, "The system cannot find the file specified.\r\n"},
    {3, "The system cannot find the path specified.\r\n"},
    {4, "The system cannot open the file.\r\n"},
    {5, "Access is denied.\r\n"},
    {6, "The handle is invalid.\r\n"},
    {8, "Not enough storage is available to process this command.\r\n"},
    {13, "The data is invalid.\r\n"},
    {14, "Not enough storage is available to complete this operation.\r\n"},
    {15, "The system cannot find the drive specified.\r\n"},
    {17, "The system cannot move the file to a different disk drive.\r\n"},
    {18, "There are no more files.\r\n"},
    {19, "The media is write protected.\r\n"},
    {21, "The device is not ready.\r\n"},
    {32, "The process cannot access the file because it is being used by another process.\r\n"},
    {33, "The process cannot access the file because another process has locked a portion of the file.\r\n"},
    {38, "Reached the end of the file.\r\n"},
    {50, "The request is not supported.\r\n"},
    {80, "The file exists.\r\n"},
    {87, "The parameter is incorrect.\r\n"},
    {109, "The pipe has been ended.\r\n"},
    {111, "The file name is too long.\r\n"},
    {112, "There is not enough space on the disk.\r\n"},
    {120, "This function is not supported on this system.\r\n"},
    {122, "The data area passed to a system call is too small.\r\n"},
    {123, "The filename, directory name, or volume label syntax is incorrect.\r\n"},
    {126, "The specified module could not be found.\r\n"},
    {127, "The specified procedure could not be found.\r\n"},
    {131, "An attempt was made to move the file pointer before the beginning of the file.\r\n"},
    {145, "The directory is not empty.\r\n"},
    {161, "The specified path is invalid.\r\n"},
    {170, "The requested resource is in use.\r\n"},
    {183, "Cannot create a file when that file already exists.\r\n"},
    {193, "%1 is not a valid Win32 application.\r\n"},
    {203, "The system could not find the environment option that was entered.\r\n"},
    {206, "The filename or extension is too long.\r\n"},
    {234, "More data is available.\r\n"},
    {258, "The wait operation timed out.\r\n"},
    {259, "No more data is available.\r\n"},
    {267, "The directory name is invalid.\r\n"},
    {288, "Attempt to release mutex not owned by caller.\r\n"},
    {298, "Too many posts were made to a semaphore.\r\n"},
    {317, "The system cannot find message text for message number 0x%1 in the message file for %2.\r\n"},
    {487, "Attempt to access invalid address.\r\n"},
    {534, "Arithmetic result exceeded 32 bits.\r\n"},
    {998, "Invalid access to memory location.\r\n"},
    {1008, "An attempt was made to reference a token that does not exist.\r\n"},
    {1010, "The configuration registry key is invalid.\r\n"},
    {1011, "The configuration registry key could not be opened.\r\n"},
    {1012, "The configuration registry key could not be read.\r\n"},
    {1013, "The configuration registry key could not be written.\r\n"},
    {1018, "Illegal operation attempted on a registry key that has been marked for deletion.\r\n"},
    {1056, "An instance of the service is already running.\r\n"},
    {1113, "No mapping for the Unicode character exists in the target multi-byte code page.\r\n"},
    {1114, "A dynamic link library (DLL) initialization routine failed.\r\n"},
    {1167, "The device is not connected.\r\n"},
    {1300, "Not all privileges or groups referenced are assigned to the caller.\r\n"},
    {1313, "A specified privilege does not exist.\r\n"},
    {1332, "No mapping between account names and security IDs was done.\r\n"},
    {1336, "The access control list (ACL) structure is invalid.\r\n"},
    {1337, "The security ID structure is invalid.\r\n"},
    {1338, "The security descriptor structure is invalid.\r\n"},
    {1400, "Invalid window handle.\r\n"},
    {1401, "Invalid menu handle.\r\n"},
    {1407, "Cannot find window class.\r\n"},
    {1408, "Invalid window; it belongs to other thread.\r\n"},
    {1410, "Class already exists.\r\n"},
    {1411, "Class does not exist.\r\n"},
    {1412, "Class still has open windows.\r\n"},
    {1444, "Invalid thread identifier.\r\n"},
    {1460, "This operation returned because the timeout period expired.\r\n"},
    {1812, "The specified image file did not contain a resource section.\r\n"},
    {1813, "The specified resource type cannot be found in the image file.\r\n"},
    {1814, "The specified resource name cannot be found in the image file.\r\n"},
    {1815, "The specified resource language ID cannot be found in the image file.\r\n"},
    {0x8000FFFFu, "Catastrophic failure\r\n"},
    {0x80004001u, "Not implemented\r\n"},
    {0x80004002u, "No such interface supported\r\n"},
    {0x80004003u, "Invalid pointer\r\n"},
    {0x80004004u, "Operation aborted\r\n"},
    {0x80004005u, "Unspecified error\r\n"},
    {0x80020001u, "Unknown interface.\r\n"},
    {0x80020003u, "Member not found.\r\n"},
    {0x80020004u, "Parameter not found.\r\n"},
    {0x80020005u, "Type mismatch.\r\n"},
    {0x80020006u, "Unknown name.\r\n"},
    {0x80020008u, "Bad variable type.\r\n"},
    {0x80020009u, "Exception occurred.\r\n"},
    {0x8002000Au, "Out of present range.\r\n"},
    {0x8002000Bu, "Invalid index.\r\n"},
    {0x8002000Du, "Memory is locked.\r\n"},
    {0x8002000Eu, "Invalid number of parameters.\r\n"},
    {0x80020012u, "Division by zero.\r\n"},
    {0x80030001u, "Unable to perform requested operation.\r\n"},
    {0x80030002u, "%1 could not be found.\r\n"},
    {0x80030005u, "Access Denied.\r\n"},
    {0x80030009u, "Invalid pointer error.\r\n"},
    {0x8003001Du, "A disk error occurred during a write operation.\r\n"},
    {0x8003001Eu, "A disk error occurred during a read operation.\r\n"},
    {0x80030057u, "Invalid parameter error.\r\n"},
    {0x80030070u, "There is insufficient disk space to complete operation.\r\n"},
    {0x80040110u, "Class does not support aggregation (or class object is remote)\r\n"},
    {0x80040111u, "ClassFactory cannot supply requested class\r\n"},
    {0x80040150u, "Could not read key from registry\r\n"},
    {0x80040154u, "Class not registered\r\n"},
    {0x800401F0u, "CoInitialize has not been called.\r\n"},
    {0x800401F3u, "Invalid class string\r\n"},
    {0x800401F8u, "DLL for class not found\r\n"},
    {0x800401F9u, "Error in the DLL\r\n"},
};

const char* systemText(DWORD id)
{
    // Win32 errors wrapped in an HRESULT have no text of their own: callers fall back to the
    // low 16 bits.
    if (((id >> 16) & 0x1FFF) == FACILITY_WIN32)
        return nullptr;
    for (const MessageText& message : kMessages)
        if (message.id == id)
            return message.text;
    return nullptr;
}

// Replaces %1 ... %99 by the strings of an argument array (a "!fmt!" after the number formats the
// argument with that printf conversion instead); %n is a line break, %r a carriage return, %t a
// tab, %b a blank, %0 ends the text, and % before any other character stands for that character.
std::string insertArguments(const char* text, const DWORD_PTR* args)
{
    std::string out;
    for (const char* p = text; *p; ++p) {
        if (*p != '%' || !p[1]) {
            out += *p;
            continue;
        }
        char c = *++p;
        if (c == '0')
            break;
        if (c == 'n' || c == 'r' || c == 't' || c == 'b') {
            out += c == 'n' ? "\r\n" : c == 'r' ? "\r" : c == 't' ? "\t" : " ";
            continue;
        }
        if (c < '1' || c > '9' || !args) {
            if (c >= '1' && c <= '9')
                out += '%';
            out += c;
            continue;
        }
        int index = c - '0';
        if (p[1] >= '0' && p[1] <= '9')
            index = index * 10 + (*++p - '0');
        DWORD_PTR arg = args[index - 1];
        if (p[1] == '!') {
            const char* end = std::strchr(p + 2, '!');
            if (end) {
                std::string format = std::string("%").append(p + 2, end);
                char buffer[256];
                if (format.find('s') != std::string::npos)
                    std::snprintf(buffer, sizeof buffer, format.c_str(), reinterpret_cast<const char*>(arg));
                else
                    std::snprintf(buffer, sizeof buffer, format.c_str(), arg);
                out += buffer;
                p = end;
                continue;
            }
        }
        out += arg ? reinterpret_cast<const char*>(arg) : "";
    }
    return out;
}

} // namespace

HLOCAL LocalAlloc(UINT uFlags, SIZE_T uBytes)
{
    void* memory = (uFlags & LMEM_ZEROINIT) ? std::calloc(1, uBytes ? uBytes : 1) : std::malloc(uBytes ? uBytes : 1);
    if (!memory)
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return memory;
}

HLOCAL LocalFree(HLOCAL hMem)
{
    std::free(hMem);
    return nullptr;
}

DWORD FormatMessageA(DWORD dwFlags, LPCVOID lpSource, DWORD dwMessageId, DWORD /*dwLanguageId*/, LPSTR lpBuffer,
    DWORD nSize, void* Arguments)
{
    const char* source = nullptr;
    if (dwFlags & FORMAT_MESSAGE_FROM_STRING)
        source = static_cast<const char*>(lpSource);
    else if (dwFlags & FORMAT_MESSAGE_FROM_SYSTEM)
        source = systemText(dwMessageId);
    if (!source) {
        SetLastError((dwFlags & (FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_FROM_SYSTEM)) ? ERROR_MR_MID_NOT_FOUND
                                                                                           : ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (!lpBuffer) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::string text = (dwFlags & FORMAT_MESSAGE_IGNORE_INSERTS)
        ? std::string(source)
        : insertArguments(source, (dwFlags & FORMAT_MESSAGE_ARGUMENT_ARRAY) ? static_cast<const DWORD_PTR*>(Arguments)
                                                                           : nullptr);
    if (dwFlags & FORMAT_MESSAGE_ALLOCATE_BUFFER) {
        size_t bytes = text.size() + 1 > nSize ? text.size() + 1 : nSize;
        char* out = static_cast<char*>(LocalAlloc(LMEM_FIXED, bytes));
        if (!out)
            return 0;
        std::memcpy(out, text.c_str(), text.size() + 1);
        *reinterpret_cast<char**>(lpBuffer) = out;
        return DWORD(text.size());
    }
    if (text.size() + 1 > nSize) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(lpBuffer, text.c_str(), text.size() + 1);
    return DWORD(text.size());
}
