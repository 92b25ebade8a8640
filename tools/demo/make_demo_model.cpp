// Writes the demo puppet as a ".moc" file.
#include <cstdio>
#include <cstring>
#include <vector>

#include "DemoModel.h"
#include "mocwriter/MocFile.h"

int main(int argc, char** argv)
{
    if (argc != 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        std::fprintf(argc == 2 ? stdout : stderr, "usage: tavrix-make-demo-model OUT.moc\n"
                                                  "Writes the bundled demo puppet (format version 10).\n");
        return argc == 2 ? 0 : 2;
    }
    mocwriter::MocModel model = tavrix_demo::demoModel();
    std::vector<std::string> problems = model.problems(10);
    for (const std::string& p : problems) std::fprintf(stderr, "demo model: %s\n", p.c_str());
    if (!problems.empty()) return 1;

    std::vector<uint8_t> bytes = mocwriter::MocFile::build(model);
    FILE* out = std::fopen(argv[1], "wb");
    if (!out) {
        std::perror(argv[1]);
        return 1;
    }
    bool written = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
    written = std::fclose(out) == 0 && written;
    if (!written) {
        std::fprintf(stderr, "%s: write failed\n", argv[1]);
        return 1;
    }
    std::printf("wrote %s (%zu bytes)\n", argv[1], bytes.size());
    return 0;
}
