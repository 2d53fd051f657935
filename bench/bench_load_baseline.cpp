// Baseline of the viewer's load: maps a history file, converts every reading with std::from_chars and
// keeps the values, then prints one line with the count and its own peak resident memory (VmHWM).
#include "FromCharsBaseline.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

long peakKiB()
{
    FILE *status = std::fopen("/proc/self/status", "r");
    if (!status)
        return -1;
    char line[256];
    long kib = -1;
    while (std::fgets(line, sizeof line, status))
        if (std::strncmp(line, "VmHWM:", 6) == 0)
            kib = std::strtol(line + 6, nullptr, 10);
    std::fclose(status);
    return kib;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: bench_load_baseline HISTORY_FILE\n");
        return 2;
    }
    const int fd = ::open(argv[1], O_RDONLY);
    struct stat info {};
    if (fd < 0 || ::fstat(fd, &info) != 0 || info.st_size == 0) {
        std::fprintf(stderr, "bench_load_baseline: cannot read %s\n", argv[1]);
        return 1;
    }
    const auto size = std::size_t(info.st_size);
    void *mapped = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    if (mapped == MAP_FAILED) {
        std::fprintf(stderr, "bench_load_baseline: cannot map %s\n", argv[1]);
        return 1;
    }
    ::madvise(mapped, size, MADV_SEQUENTIAL);
    const char *text = static_cast<const char *>(mapped);
    const FromCharsBaseline::Converted c = FromCharsBaseline::convert(text, text + size);
    std::printf("{\"event\":\"converted\",\"readings\":%zu,\"blocks\":%zu,\"hwm_kib\":%ld}\n",
                c.values.size(), c.blocks, peakKiB());
    std::fflush(stdout);
    ::munmap(mapped, size);
    ::close(fd);
    return 0;
}
