// Measures the ASE reader, normals included, on generated models of growing size: one big object,
// and many small ones. Prints megabytes per second for each size, so that linear growth shows as
// a steady rate. Then files of 0.25, 1 and 4 MB of each shape that would cost a naive scanner the
// square of its size (repeated count keywords, quotes left open, keywords hidden past the 99th
// character), with the time per megabyte, which must stay flat.
//
// Usage: asebench [--quick]
//        asebench --write FILE OBJECTS COLUMNS ROWS   (a model without the file's own normals, as
//        scripts/readbench.sh compares with Assimp)
//        asebench --faces FILE MEGABYTES [merged]      (face lines whose objects' face passes
//        meet, or the same lines in one object, for measuring the reader's memory)
#include "model/ase.h"
#include "platform/testhooks.h"
#include "tools/asegen.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

namespace {

void freeModel(t3DModel& model) {
    for (t3DObject& o : model.objects) {
        delete[] o.vertices;
        delete[] o.normals;
        delete[] o.texVertices;
        delete[] o.faces;
    }
    model = t3DModel();
}

double cpuSeconds() {
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec * 1e-9;
}

struct Timing {
    double wall = 1e30;
    double cpu = 1e30;
};

// The best of several imports of the file, in seconds of wall-clock and of processor time (the
// second is steadier on a machine that others share).
Timing timeImport(const std::string& path, int faces, double budget) {
    ase reader;
    Timing best;
    double spent = 0;
    for (int run = 0; run < 3 || spent < budget; ++run) {
        t3DModel model;
        const auto start = std::chrono::steady_clock::now();
        const double cpuStart = cpuSeconds();
        const bool ok = reader.ImportASE(&model, path.c_str());
        const double cpu = cpuSeconds() - cpuStart;
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        int read = 0;
        for (int i = 0; i < model.objectCount; ++i)
            read += model.objects[i].faceCount;
        freeModel(model);
        if (!ok || (faces >= 0 && read != faces)) {
            std::fprintf(stderr, "asebench: %s read %d faces of %d\n", path.c_str(), read, faces);
            std::exit(1);
        }
        best.wall = seconds < best.wall ? seconds : best.wall;
        best.cpu = cpu < best.cpu ? cpu : best.cpu;
        spent += seconds;
    }
    return best;
}

std::string writeTemporary(const std::string& text) {
    char path[] = "/tmp/asebench-XXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0 || write(fd, text.data(), text.size()) != static_cast<ssize_t>(text.size())) {
        std::fprintf(stderr, "asebench: cannot write %s\n", path);
        std::exit(1);
    }
    close(fd);
    return path;
}

void measure(const char* shape, int objects, int columns, int rows, double budget) {
    const std::string text = asegen::model(objects, columns, rows);
    const std::string path = writeTemporary(text);
    const int faces = objects * 2 * columns * rows;
    const Timing best = timeImport(path, faces, budget);
    unlink(path.c_str());
    const double megabytes = text.size() / 1e6;
    std::printf("%-14s %8d %8d %10.2f %10.2f %10.0f %10.0f\n", shape, objects, faces, megabytes,
                best.wall * 1e3, megabytes / best.wall, megabytes / best.cpu);
}

void measureHostile(const char* shape, std::string (*make)(std::size_t), double budget) {
    for (const double megabytes : {0.25, 1.0, 4.0}) {
        const std::string text = make(static_cast<std::size_t>(megabytes * 1e6));
        const std::string path = writeTemporary(text);
        const Timing best = timeImport(path, -1, budget);
        unlink(path.c_str());
        const double size = text.size() / 1e6;
        std::printf("%-16s %10.2f %10.2f %12.2f %12.2f\n", shape, size, best.wall * 1e3,
                    best.wall * 1e3 / size, best.cpu * 1e3 / size);
    }
}

bool writeFile(const char* path, const std::string& text) {
    std::FILE* out = std::fopen(path, "wb");
    const bool ok = out != nullptr && std::fwrite(text.data(), 1, text.size(), out) == text.size();
    return out != nullptr && std::fclose(out) == 0 && ok;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 6 && std::strcmp(argv[1], "--write") == 0)
        return writeFile(argv[2], asegen::model(std::atoi(argv[3]), std::atoi(argv[4]),
                                                std::atoi(argv[5]), 2, false))
                   ? 0
                   : 1;
    if ((argc == 4 || argc == 5) && std::strcmp(argv[1], "--faces") == 0) {
        const auto bytes = static_cast<std::size_t>(std::atof(argv[3]) * 1e6);
        const bool merged = argc == 5 && std::strcmp(argv[4], "merged") == 0;
        return writeFile(argv[2], asegen::faceLines(bytes, merged)) ? 0 : 1;
    }
    const bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
    SetMessageBoxHook([](const char* text, const char*, UINT) {
        std::fprintf(stderr, "asebench: %s\n", text);
        return IDOK;
    });
    const double budget = quick ? 0.05 : 0.5;
    std::printf("%-14s %8s %8s %10s %10s %10s %10s\n", "shape", "objects", "faces", "MB", "ms",
                "MB/s", "MB/s cpu");
    // One object of 2 x columns x rows faces; the last is 100,000.
    const int grids[][2] = {{25, 20}, {50, 40}, {125, 80}, {250, 200}, {500, 400}};
    for (const auto& grid : grids)
        if (!quick || grid[0] <= 250)
            measure("one object", 1, grid[0], grid[1], budget);
    // Small objects of 200 faces each, up to two hundred of them and beyond.
    for (int objects : {25, 50, 100, 200, 800})
        if (!quick || objects <= 200)
            measure("small objects", objects, 10, 10, budget);
    std::printf("\n%-16s %10s %10s %12s %12s\n", "hostile shape", "MB", "ms", "ms/MB", "ms/MB cpu");
    measureHostile("repeated counts", asegen::repeatedCounts, budget);
    measureHostile("open quotes", asegen::openQuotes, budget);
    measureHostile("hidden keywords", asegen::hiddenKeywords, budget);
    return 0;
}
