// A scratch directory that becomes the working directory for one test, so that the program's
// relative paths ("models/...") find the files the test wrote.
#pragma once

#include <cstdint>
#include <string>
#include <thread>
#include <vector>

// A new, empty directory in the system's temporary folder, its name starting with `prefix`.
std::string newTempDirectory(const std::string& prefix);

// Files in a scratch directory of the test process that is removed at exit.
std::string ScratchPath(const std::string& name);
std::string WriteScratch(const std::string& name, const std::string& content);

// A pipe with a path, for readers that must cope with a stream that cannot be mapped: a POSIX
// FIFO, a named pipe on Windows. A thread of its own writes `content` once a reader opens the path,
// then closes its end; the destructor waits for it.
class ContentPipe {
  public:
    explicit ContentPipe(const std::string& content);
    ~ContentPipe();
    ContentPipe(const ContentPipe&) = delete;
    ContentPipe& operator=(const ContentPipe&) = delete;
    bool ok() const { return writer.joinable(); }
    std::string path;

  private:
    std::string directory; // what holds the FIFO, where there is one
    std::thread writer;
};

class ScratchDir {
  public:
    ScratchDir();
    ~ScratchDir();
    void write(const std::string& relativePath, const std::string& content) const;
    // A 24-bit bitmap of the given size filled with one colour, whose red grows by redStep from
    // one row to the next (the bottom row first).
    void writeBMP(const std::string& relativePath, int width, int height, std::uint8_t r,
                  std::uint8_t g, std::uint8_t b, int redStep = 0) const;
    std::string path;

  private:
    std::string previous;
};

// A one-object ASE model: a square of side 2 * half in the file's x-y plane, facing up (+z in the
// file, +y once read), textured with the given bitmap.
std::string squareModel(float half, const std::string& bitmap);
