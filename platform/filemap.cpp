// What a file view does the same way on every system; mapping lives in the platform's own folder.
#include "platform/filemap.h"

bool FileView::open(std::FILE* file) {
    close();
    if (file == nullptr)
        return false;
    return map(file) || readWhole(file);
}

void FileView::close() {
    unmap();
    std::vector<char>().swap(copy_);
    data_ = nullptr;
    size_ = 0;
}

bool FileView::readWhole(std::FILE* file) {
    char chunk[1 << 16];
    std::size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        copy_.insert(copy_.end(), chunk, chunk + got);
    if (std::ferror(file)) {
        std::vector<char>().swap(copy_);
        return false;
    }
    data_ = copy_.empty() ? "" : copy_.data();
    size_ = copy_.size();
    return true;
}
