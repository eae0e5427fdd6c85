// File views on Windows: a read-only mapping of the file behind the FILE*'s handle.
//
// Differs from the POSIX side: release() does nothing. Windows trims a read-only view's pages from
// the working set by itself when memory runs short, and reads them back from the file cache when
// they are touched again. A stream that cannot be mapped (a pipe, a console) is switched to binary
// mode before it is read whole, so that the reader sees the file's own bytes, carriage returns
// and Ctrl-Z included, as it does on Linux.
#include "platform/filemap.h"
#include <windows.h>

#include <fcntl.h>
#include <io.h>

bool FileView::map(std::FILE* file) {
    const int fd = _fileno(file);
    // Should the file not be mapped, it is read whole through the stream, byte for byte.
    _setmode(fd, _O_BINARY);
    HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
    LARGE_INTEGER size;
    if (handle == INVALID_HANDLE_VALUE || GetFileType(handle) != FILE_TYPE_DISK ||
        !GetFileSizeEx(handle, &size))
        return false;
    size_ = static_cast<std::size_t>(size.QuadPart);
    if (size_ == 0) {
        data_ = "";
        return true;
    }
    HANDLE mapping = CreateFileMappingA(handle, nullptr, PAGE_READONLY, 0, 0, nullptr);
    void* view = mapping ? MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0) : nullptr;
    if (!view) {
        if (mapping)
            CloseHandle(mapping);
        size_ = 0;
        return false;
    }
    mapping_ = view;
    handle_ = mapping;
    data_ = static_cast<const char*>(view);
    return true;
}

void FileView::unmap() {
    if (mapping_ != nullptr) {
        UnmapViewOfFile(mapping_);
        CloseHandle(handle_);
    }
    mapping_ = nullptr;
    handle_ = nullptr;
}

void FileView::release(const char*, const char*) {}
