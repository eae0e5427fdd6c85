// A read-only view of a whole file in memory, for readers that go over the same bytes many times.
// The file is mapped where the system can map it; streams that cannot be mapped (pipes and the
// like) are read whole instead, with the same result.
#pragma once

#include <cstddef>
#include <cstdio>
#include <vector>

class FileView {
  public:
    FileView() = default;
    ~FileView() { close(); }
    FileView(const FileView&) = delete;
    FileView& operator=(const FileView&) = delete;

    // Views the open file's contents from its start; false, with nothing held, when they cannot
    // be read.
    bool open(std::FILE* file);
    void close();

    const char* data() const { return data_; }
    std::size_t size() const { return size_; }

    // Hands back the whole pages of a mapped view between two places that are not needed again
    // soon, so that a huge file does not stay resident as a whole; reading them again brings
    // them back from the file cache.
    void release(const char* from, const char* to);

  private:
    bool map(std::FILE* file);
    void unmap();
    bool readWhole(std::FILE* file);

    const char* data_ = nullptr;
    std::size_t size_ = 0;
    void* mapping_ = nullptr; // the mapped view; null when there is none
    void* handle_ = nullptr;  // what the system needs to undo the mapping, where it needs one
    std::vector<char> copy_;  // the contents of a stream that could not be mapped
};
