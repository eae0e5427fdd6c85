// The page's wait for a file it still paints (platform/web/library.js): here no file is painted.
extern "C" void balantor_file_ready(const char*) {}
