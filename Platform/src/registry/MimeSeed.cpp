#include "RegStore.h"

#include "plat/registry.h"

#include <cstring>

namespace plat::reg {

namespace {

struct Codepage {
    DWORD cp;
    const char* charset;
};

// The character sets the program reads and writes, with the names mail and web pages use.
const Codepage kCodepages[] = {
    {65001, "utf-8"},
    {28591, "iso-8859-1"},
    {1252, "windows-1252"},
    {20127, "us-ascii"},
};

struct Alias {
    const char* name;
    const char* target;
};

const Alias kAliases[] = {
    {"utf8", "utf-8"},
    {"unicode-1-1-utf-8", "utf-8"},
    {"latin1", "iso-8859-1"},
    {"iso8859-1", "iso-8859-1"},
    {"iso_8859-1", "iso-8859-1"},
    {"cp1252", "windows-1252"},
    {"ascii", "us-ascii"},
    {"us", "us-ascii"},
};

struct ContentType {
    const char* extension;
    const char* type;
};

const ContentType kContentTypes[] = {
    {".jpg", "image/jpeg"},
    {".jpeg", "image/jpeg"},
    {".txt", "text/plain"},
    {".htm", "text/html"},
};

int64_t makePath(RegStore& store, int64_t parent, const char* a, const char* b = nullptr, const char* c = nullptr,
    const char* d = nullptr)
{
    bool created;
    for (const char* part : {a, b, c, d})
        if (part)
            parent = store.makeChild(parent, part, created);
    return parent;
}

void setText(RegStore& store, int64_t key, const char* name, const char* text)
{
    store.setValue(key, name, REG_SZ, text, std::strlen(text) + 1);
}

} // namespace

void seedMachineStore(RegStore& store)
{
    // The classes root is the first root of the machine store.
    int64_t classes = store.rootId(0);
    for (const Codepage& c : kCodepages) {
        std::string number = std::to_string(c.cp);
        setText(store, makePath(store, classes, "MIME", "Database", "Codepage", number.c_str()), "BodyCharset",
            c.charset);
        int64_t charset = makePath(store, classes, "MIME", "Database", "Charset", c.charset);
        DWORD cp = c.cp;
        BYTE bytes[4] = {(BYTE)cp, (BYTE)(cp >> 8), (BYTE)(cp >> 16), (BYTE)(cp >> 24)};
        store.setValue(charset, "InternetEncoding", REG_DWORD, bytes, 4);
    }
    for (const Alias& a : kAliases)
        setText(store, makePath(store, classes, "MIME", "Database", "Charset", a.name), "AliasForCharset", a.target);
    for (const ContentType& t : kContentTypes)
        setText(store, makePath(store, classes, t.extension), "Content Type", t.type);
}

} // namespace plat::reg
