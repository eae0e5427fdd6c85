#include "support/scratch.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

namespace fs = std::filesystem;

std::string newTempDirectory(const std::string& prefix) {
    std::random_device random;
    fs::path dir;
    do
        dir = fs::temp_directory_path() / (prefix + std::to_string(random()));
    while (!fs::create_directory(dir));
    return dir.string();
}

std::string ScratchPath(const std::string& name) {
    static std::string scratch;
    if (scratch.empty()) {
        scratch = newTempDirectory("balantor-scratch-");
        std::atexit([] {
            std::error_code ignored;
            fs::remove_all(scratch, ignored);
        });
    }
    return scratch + "/" + name;
}

std::string WriteScratch(const std::string& name, const std::string& content) {
    const std::string path = ScratchPath(name);
    std::ofstream(path, std::ios::binary) << content;
    return path;
}

#ifdef _WIN32
ContentPipe::ContentPipe(const std::string& content) {
    path = "\\\\.\\pipe\\balantor-" + std::to_string(GetCurrentProcessId());
    HANDLE pipe = CreateNamedPipeA(path.c_str(), PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE | PIPE_WAIT,
                                   1, 0, 0, 0, nullptr);
    if (pipe == INVALID_HANDLE_VALUE)
        return;
    writer = std::thread([pipe, content] {
        ConnectNamedPipe(pipe, nullptr);
        DWORD written;
        WriteFile(pipe, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
        // Closing discards what the reader has not taken yet, so wait until it has.
        FlushFileBuffers(pipe);
        CloseHandle(pipe);
    });
}
#else
ContentPipe::ContentPipe(const std::string& content) {
    directory = newTempDirectory("balantor-pipe-");
    path = directory + "/pipe";
    if (mkfifo(path.c_str(), 0600) == 0)
        writer = std::thread([this, content] { std::ofstream(path, std::ios::binary) << content; });
}
#endif

ContentPipe::~ContentPipe() {
    if (writer.joinable())
        writer.join();
    std::error_code ignored;
    if (!directory.empty())
        fs::remove_all(directory, ignored);
}

ScratchDir::ScratchDir() {
    // Inside the process's scratch directory: a death test's child ends in std::exit and never
    // reaches the destructor, but the directory still goes at exit.
    static int made = 0;
    path = ScratchPath("dir" + std::to_string(++made));
    previous = fs::current_path().string();
    fs::create_directories(path + "/models");
    fs::current_path(path);
}

ScratchDir::~ScratchDir() {
    fs::current_path(previous);
    std::error_code ignored;
    fs::remove_all(path, ignored);
}

void ScratchDir::write(const std::string& relativePath, const std::string& content) const {
    std::ofstream out(path + "/" + relativePath, std::ios::binary);
    out << content;
}

void ScratchDir::writeBMP(const std::string& relativePath, int width, int height, std::uint8_t r,
                          std::uint8_t g, std::uint8_t b, int redStep) const {
    const int rowBytes = (width * 3 + 3) & ~3;
    const int imageBytes = rowBytes * height;
    std::string file(54 + imageBytes, '\0');
    auto put32 = [&](int at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            file[at + i] = static_cast<char>((v >> (8 * i)) & 0xff);
    };
    file[0] = 'B';
    file[1] = 'M';
    put32(2, 54 + imageBytes);
    put32(10, 54);
    put32(14, 40);
    put32(18, width);
    put32(22, height);
    file[26] = 1;
    file[28] = 24;
    put32(34, imageBytes);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int at = 54 + y * rowBytes + x * 3;
            file[at] = static_cast<char>(b);
            file[at + 1] = static_cast<char>(g);
            file[at + 2] = static_cast<char>(r + y * redStep);
        }
    write(relativePath, file);
}

std::string squareModel(float half, const std::string& bitmap) {
    char buffer[1024];
    std::snprintf(
        buffer, sizeof buffer,
        "*MATERIAL_COUNT 1\n*MATERIAL 0 {\n*MATERIAL_DIFFUSE 0.5 0.5 0.5\n*BITMAP \"%s\"\n"
        "*UVW_U_TILING 1.0\n*UVW_V_TILING 1.0\n}\n*GEOMOBJECT {\n*MESH_NUMVERTEX 4\n"
        "*MESH_NUMFACES 2\n*MESH_NUMTVERTEX 4\n*MESH_VERTEX 0 %f %f 0\n"
        "*MESH_VERTEX 1 %f %f 0\n*MESH_VERTEX 2 %f %f 0\n*MESH_VERTEX 3 %f %f 0\n"
        "*MESH_FACE 0: A: 0 B: 1 C: 2\n*MESH_FACE 1: A: 0 B: 2 C: 3\n"
        "*MESH_TVERT 0 0 0 0\n*MESH_TVERT 1 1 0 0\n*MESH_TVERT 2 1 1 0\n"
        "*MESH_TVERT 3 0 1 0\n*MESH_TFACE 0 0 1 2\n*MESH_TFACE 1 0 2 3\n"
        "*MATERIAL_REF 0\n}\n",
        bitmap.c_str(), -half, -half, half, -half, half, half, -half, half);
    return buffer;
}
