// Build tool: writes the ELF notes that carry a module's version record and resource table.
//
//   vnt_pack version <out> <file version> <product version> <flags> <file type> [Key=Value ...]
//   vnt_pack resources <out> <manifest>
//
// A manifest line is "<type>\t<name>\t<file>"; the type STRINGS reads <file> as a string table,
// one "<id> <text>" per line (C escapes \n \t \\ \" in the text; empty lines and "#" lines are
// skipped); a DIALOG given as a ".dlg" file is a dialog script compiled into its template (see
// dialog_script.h), a MENU given as a ".menu" file a menu script compiled into its template (see
// menu_script.h). Every number is written little-endian, field by field.

#include <algorithm>
#include <cctype>
#include <map>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

[[noreturn]] void fail(const std::string& message)
{
    std::cerr << "vnt_pack: " << message << "\n";
    std::exit(1);
}

void put16(Bytes& out, uint32_t v)
{
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}
void put32(Bytes& out, uint32_t v)
{
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}
void set32(Bytes& out, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out[at + i] = uint8_t(v >> (8 * i));
}
void pad(Bytes& out, size_t align)
{
    while (out.size() % align)
        out.push_back(0);
}
void putText(Bytes& out, const std::string& text)
{
    out.insert(out.end(), text.begin(), text.end());
    out.push_back(0);
}

std::string upper(std::string s)
{
    for (char& c : s)
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    return s;
}

Bytes readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        fail("cannot read " + path);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeNote(const std::string& path, const char* name, const Bytes& desc)
{
    Bytes note;
    put32(note, uint32_t(std::strlen(name) + 1));
    put32(note, uint32_t(desc.size()));
    put32(note, 1);
    putText(note, name);
    pad(note, 4);
    note.insert(note.end(), desc.begin(), desc.end());
    pad(note, 4);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(note.data()), std::streamsize(note.size()));
    if (!out)
        fail("cannot write " + path);
}

// "5.1.0.108" (or with commas) as the two words of a version.
void versionWords(const std::string& text, uint32_t& high, uint32_t& low)
{
    unsigned part[4];
    char sep[3];
    char extra;
    if (std::sscanf(text.c_str(), "%u%c%u%c%u%c%u%c", &part[0], &sep[0], &part[1], &sep[1], &part[2], &sep[2], &part[3],
            &extra)
        != 7)
        fail("bad version " + text);
    for (unsigned p : part)
        if (p > 0xFFFF)
            fail("bad version " + text);
    high = part[0] << 16 | part[1];
    low = part[2] << 16 | part[3];
}

// One entry of the version block: a key path and its value, both 4-aligned.
void versionEntry(Bytes& block, const std::string& key, const Bytes& value, bool text)
{
    size_t start = block.size();
    put32(block, 0);
    put16(block, uint32_t(key.size() + 1));
    put16(block, text ? 1 : 0);
    put32(block, uint32_t(value.size()));
    putText(block, key);
    pad(block, 4);
    block.insert(block.end(), value.begin(), value.end());
    pad(block, 4);
    set32(block, start, uint32_t(block.size() - start));
}

int packVersion(int argc, char** argv)
{
    if (argc < 7)
        fail("version: too few arguments");
    uint32_t fileHigh, fileLow, productHigh, productLow;
    versionWords(argv[3], fileHigh, fileLow);
    versionWords(argv[4], productHigh, productLow);
    uint32_t flags = uint32_t(std::strtoul(argv[5], nullptr, 0));
    uint32_t fileType = uint32_t(std::strtoul(argv[6], nullptr, 0));

    Bytes block;
    block.insert(block.end(), {'V', 'N', 'T', 'V'});
    put32(block, 0);
    Bytes fixed;
    for (uint32_t v : {0xFEEF04BDu, 0x00010000u, fileHigh, fileLow, productHigh, productLow, 0x3Fu, flags, 0x00040004u,
             fileType, 0u, 0u, 0u})
        put32(fixed, v);
    versionEntry(block, "\\", fixed, false);
    Bytes translation;
    put16(translation, 0x0409);
    put16(translation, 0x04E4);
    versionEntry(block, "\\VarFileInfo\\Translation", translation, false);
    for (int i = 7; i < argc; ++i) {
        std::string pair = argv[i];
        size_t eq = pair.find('=');
        if (eq == std::string::npos || eq == 0)
            fail("version: bad string " + pair);
        std::string value = pair.substr(eq + 1);
        Bytes text(value.begin(), value.end());
        text.push_back(0);
        versionEntry(block, "\\StringFileInfo\\040904E4\\" + pair.substr(0, eq), text, true);
    }
    set32(block, 4, uint32_t(block.size()));
    writeNote(argv[2], "VNTVER", block);
    return 0;
}

struct Key {
    uint32_t id = 0;  // 0: named
    std::string text; // upper case
    bool operator<(const Key& o) const
    {
        if ((id == 0) != (o.id == 0))
            return id == 0; // named ones first
        return id ? id < o.id : text < o.text;
    }
    bool operator==(const Key& o) const { return id == o.id && text == o.text; }
};

struct Resource {
    Key type, name;
    Bytes data;
};

Key typeKey(const std::string& word)
{
    static const struct {
        const char* name;
        uint32_t id;
    } kTypes[] = {{"SCURSOR", 1}, {"BITMAP", 2}, {"SICON", 3}, {"MENU", 4}, {"DIALOG", 5}, {"STRING", 6},
        {"FONTDIR", 7}, {"FONT", 8}, {"ACCELERATOR", 9}, {"DATA", 10}, {"RCDATA", 10}, {"MESSAGETABLE", 11},
        {"CURSOR", 12}, {"ICON", 14}, {"VERSION", 16}, {"DLGINCLUDE", 17}, {"PLUGPLAY", 19}, {"VXD", 20},
        {"ANICURSOR", 21}, {"ANIICON", 22}, {"HTML", 23}};
    std::string up = upper(word);
    for (const auto& type : kTypes)
        if (up == type.name)
            return Key{type.id, {}};
    std::string digits = up[0] == '#' ? up.substr(1) : up;
    if (!digits.empty() && digits.find_first_not_of("0123456789") == std::string::npos) {
        unsigned long id = std::strtoul(digits.c_str(), nullptr, 10);
        if (id == 0 || id > 0xFFFF)
            fail("bad resource id " + word);
        return Key{uint32_t(id), {}};
    }
    return Key{0, up};
}

Key nameKey(const std::string& word)
{
    std::string digits = word[0] == '#' ? word.substr(1) : word;
    if (!digits.empty() && digits.find_first_not_of("0123456789") == std::string::npos) {
        unsigned long id = std::strtoul(digits.c_str(), nullptr, 10);
        if (id == 0 || id > 0xFFFF)
            fail("bad resource id " + word);
        return Key{uint32_t(id), {}};
    }
    return Key{0, upper(word)};
}

std::string unescape(const std::string& text, const std::string& where)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        if (++i == text.size())
            fail(where + ": lone backslash");
        switch (text[i]) {
        case 'n': out += '\n'; break;
        case 't': out += '\t'; break;
        case 'r': out += '\r'; break;
        case '\\': out += '\\'; break;
        case '"': out += '"'; break;
        default: fail(where + ": unknown escape");
        }
    }
    return out;
}

void readStrings(const std::string& path, std::vector<Resource>& out)
{
    std::ifstream in(path);
    if (!in)
        fail("cannot read " + path);
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line[start] == '#')
            continue;
        size_t end = line.find_first_of(" \t", start);
        std::string where = path + ":" + std::to_string(number);
        std::string id = line.substr(start, end == std::string::npos ? std::string::npos : end - start);
        std::string text;
        size_t textAt = end == std::string::npos ? end : line.find_first_not_of(" \t", end);
        if (textAt != std::string::npos)
            text = line.substr(textAt);
        if (text.size() >= 2 && text.front() == '"' && text.back() == '"')
            text = text.substr(1, text.size() - 2);
        Key name = nameKey(id);
        if (!name.id)
            fail(where + ": a string id must be a number");
        std::string value = unescape(text, where);
        out.push_back(Resource{Key{6, {}}, name, Bytes(value.begin(), value.end())});
    }
}

#include "dialog_script.h"
#include "menu_script.h"

int packResources(int argc, char** argv)
{
    if (argc != 4)
        fail("resources: expected <out> <manifest>");
    std::ifstream manifest(argv[3]);
    if (!manifest)
        fail(std::string("cannot read ") + argv[3]);
    std::vector<Resource> resources;
    std::string line;
    while (std::getline(manifest, line)) {
        if (line.empty())
            continue;
        std::istringstream fields(line);
        std::string type, name, path;
        if (!std::getline(fields, type, '\t') || !std::getline(fields, name, '\t') || !std::getline(fields, path))
            fail("bad manifest line " + line);
        if (upper(type) == "STRINGS")
            readStrings(path, resources);
        else if (typeKey(type) == Key{5, {}} && path.size() > 4 && path.substr(path.size() - 4) == ".dlg")
            resources.push_back(Resource{typeKey(type), nameKey(name), dialog_script::compile(path)});
        else if (typeKey(type) == Key{4, {}} && path.size() > 5 && path.substr(path.size() - 5) == ".menu")
            resources.push_back(Resource{typeKey(type), nameKey(name), menu_script::compile(path)});
        else
            resources.push_back(Resource{typeKey(type), nameKey(name), readFile(path)});
    }
    std::sort(resources.begin(), resources.end(), [](const Resource& a, const Resource& b) {
        if (!(a.type == b.type))
            return a.type < b.type;
        return a.name < b.name;
    });
    for (size_t i = 1; i < resources.size(); ++i)
        if (resources[i].type == resources[i - 1].type && resources[i].name == resources[i - 1].name)
            fail("resource given twice: " + (resources[i].name.id ? std::to_string(resources[i].name.id) : resources[i].name.text));

    Bytes table;
    table.insert(table.end(), {'V', 'N', 'T', 'R'});
    put32(table, uint32_t(resources.size()));
    std::vector<size_t> offsetFields;
    for (const Resource& r : resources) {
        size_t start = table.size();
        put32(table, 0);
        put16(table, r.type.id);
        put16(table, r.name.id);
        offsetFields.push_back(table.size());
        put32(table, 0);
        put32(table, uint32_t(r.data.size()));
        put16(table, r.type.id ? 0 : uint32_t(r.type.text.size() + 1));
        put16(table, r.name.id ? 0 : uint32_t(r.name.text.size() + 1));
        if (!r.type.id)
            putText(table, r.type.text);
        if (!r.name.id)
            putText(table, r.name.text);
        pad(table, 4);
        set32(table, start, uint32_t(table.size() - start));
    }
    for (size_t i = 0; i < resources.size(); ++i) {
        pad(table, 8);
        size_t entry = offsetFields[i] - 8;
        set32(table, offsetFields[i], uint32_t(table.size() - entry)); // from the entry's start
        table.insert(table.end(), resources[i].data.begin(), resources[i].data.end());
    }
    pad(table, 4);
    writeNote(argv[2], "VNTRSRC", table);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 2 && std::strcmp(argv[1], "version") == 0)
        return packVersion(argc, argv);
    if (argc >= 2 && std::strcmp(argv[1], "resources") == 0)
        return packResources(argc, argv);
    fail("usage: vnt_pack version|resources ...");
}
