// Writes a generated phone book: ruvotel-genbook ENTRIES FILE [SEED]

#include "PhoneBookGenerator.h"

#include <charconv>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string_view>

namespace {

bool ParseNumber(std::string_view text, unsigned long long& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

} // namespace

int main(int argc, char** argv) {
    unsigned long long entries = 0;
    unsigned long long seed = 1;
    if (argc < 3 || argc > 4 || !ParseNumber(argv[1], entries) ||
        (argc == 4 && !ParseNumber(argv[3], seed))) {
        std::fputs("Usage: ruvotel-genbook ENTRIES FILE [SEED]\n"
                   "Writes a phone book of ENTRIES generated entries (code page 932,\n"
                   "CR LF, about 40 bytes a line) to FILE. The same SEED (default 1)\n"
                   "gives the same file.\n",
                   stderr);
        return 2;
    }
    try {
        ruvo::PhoneBookGenerator(seed).WriteFile(argv[2], entries);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "ruvotel-genbook: %s\n", error.what());
        return 1;
    }
    return 0;
}
