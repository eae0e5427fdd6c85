// File views on POSIX: mmap of regular files, pages handed back with madvise.
#include "platform/filemap.h"

#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

bool FileView::map(std::FILE* file) {
    struct stat info;
    const int fd = fileno(file);
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    size_ = static_cast<std::size_t>(info.st_size);
    if (size_ == 0) {
        data_ = "";
        return true;
    }
    void* view = mmap(nullptr, size_, PROT_READ, MAP_PRIVATE, fd, 0);
    if (view == MAP_FAILED) {
        size_ = 0;
        return false;
    }
    mapping_ = view;
    data_ = static_cast<const char*>(view);
    return true;
}

void FileView::unmap() {
    if (mapping_ != nullptr)
        munmap(mapping_, size_);
    mapping_ = nullptr;
}

void FileView::release(const char* from, const char* to) {
    if (mapping_ == nullptr)
        return;
    const std::size_t page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    const std::size_t first = (static_cast<std::size_t>(from - data_) + page - 1) / page * page;
    const std::size_t last = static_cast<std::size_t>(to - data_) / page * page;
    if (last > first)
        madvise(static_cast<char*>(mapping_) + first, last - first, MADV_DONTNEED);
}
