#include "kernel/ElfNote.h"

#include "kernel/FileObject.h"

#include "plat/errors.h"

#include <cerrno>
#include <cstring>
#include <elf.h>
#include <fcntl.h>
#include <unistd.h>

namespace plat {

namespace {

constexpr uint64_t kMaxNoteSegment = 64u << 20; // no note of ours comes near this
constexpr unsigned kMaxProgramHeaders = 4096;

uint32_t read32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

size_t alignUp(size_t value, size_t align) { return (value + align - 1) / align * align; }

class FileByteSource : public ByteSource {
public:
    explicit FileByteSource(int fd) : m_fd(fd) {}
    bool read(uint64_t offset, void* out, size_t size) const override
    {
        size_t done = 0;
        while (done < size) {
            ssize_t n = ::pread(m_fd, static_cast<char*>(out) + done, size - done, off_t(offset + done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            done += size_t(n);
        }
        return true;
    }

private:
    int m_fd;
};

} // namespace

bool MemoryByteSource::read(uint64_t offset, void* out, size_t size) const
{
    if (offset > m_size || size > m_size - offset)
        return false;
    if (size)
        std::memcpy(out, m_data + offset, size);
    return true;
}

bool findNoteInSegment(const uint8_t* segment, size_t size, size_t align, const char* name, const uint8_t*& desc,
    size_t& descSize)
{
    if (align != 8)
        align = 4;
    size_t wantedLength = std::strlen(name) + 1;
    size_t pos = 0;
    while (size - pos >= 12) {
        size_t nameSize = read32(segment + pos);
        size_t dataSize = read32(segment + pos + 4);
        size_t nameAt = pos + 12;
        if (nameSize > size - nameAt)
            return false;
        size_t descAt = alignUp(nameAt + nameSize, align);
        if (descAt > size || dataSize > size - descAt)
            return false;
        if (nameSize == wantedLength && std::memcmp(segment + nameAt, name, wantedLength) == 0) {
            desc = segment + descAt;
            descSize = dataSize;
            return true;
        }
        size_t next = alignUp(descAt + dataSize, align);
        if (next <= pos)
            return false;
        pos = next;
        if (pos > size)
            return false;
    }
    return false;
}

bool findElfNote(const ByteSource& source, const char* name, std::vector<uint8_t>& desc)
{
    Elf64_Ehdr header;
    if (!source.read(0, &header, sizeof header))
        return false;
    if (std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 || header.e_ident[EI_CLASS] != ELFCLASS64
        || header.e_ident[EI_DATA] != ELFDATA2LSB)
        return false;
    if (header.e_phentsize < sizeof(Elf64_Phdr) || header.e_phnum > kMaxProgramHeaders)
        return false;
    for (unsigned i = 0; i < header.e_phnum; ++i) {
        Elf64_Phdr program;
        uint64_t at = header.e_phoff + uint64_t(i) * header.e_phentsize;
        if (at < header.e_phoff || !source.read(at, &program, sizeof program))
            return false;
        if (program.p_type != PT_NOTE || program.p_filesz == 0 || program.p_filesz > kMaxNoteSegment)
            continue;
        std::vector<uint8_t> segment(program.p_filesz);
        if (!source.read(program.p_offset, segment.data(), segment.size()))
            continue;
        const uint8_t* found;
        size_t foundSize;
        if (findNoteInSegment(segment.data(), segment.size(), program.p_align, name, found, foundSize)) {
            desc.assign(found, found + foundSize);
            return true;
        }
    }
    return false;
}

bool readElfNoteFromFile(const std::string& path, const char* name, std::vector<uint8_t>& desc)
{
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT)
            setMissingError(path);
        else
            vntSetLastErrorFromErrno(errno);
        return false;
    }
    FileByteSource source(fd);
    char magic[SELFMAG];
    bool elf = source.read(0, magic, SELFMAG) && std::memcmp(magic, ELFMAG, SELFMAG) == 0;
    bool found = elf && findElfNote(source, name, desc);
    ::close(fd);
    if (!found)
        SetLastError(elf ? ERROR_RESOURCE_TYPE_NOT_FOUND : ERROR_BAD_EXE_FORMAT);
    return found;
}

} // namespace plat
