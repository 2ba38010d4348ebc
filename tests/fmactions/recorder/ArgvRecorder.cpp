// A stand-in for harvex in the menu tests: appends its arguments, each ended by
// a NUL byte, to the file named by HARVEX_ARGV_RECORD, then a record separator
// line, and exits with 0.
#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
    const char* file = std::getenv("HARVEX_ARGV_RECORD");
    if (!file)
        return 3;
    FILE* out = std::fopen(file, "ab");
    if (!out)
        return 4;
    for (int i = 1; i < argc; ++i)
        std::fwrite(argv[i], 1, std::strlen(argv[i]) + 1, out);
    std::fputs("\x1e", out);
    return std::fclose(out) == 0 ? 0 : 5;
}
