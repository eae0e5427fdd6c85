// File views in a web page: the packaged files live in memory already, so a view is a copy read
// whole; there is nothing to map or hand back.
#include "platform/filemap.h"

bool FileView::map(std::FILE*) {
    return false;
}

void FileView::unmap() {}

void FileView::release(const char*, const char*) {}
