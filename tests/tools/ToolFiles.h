#pragma once

// What the ruvotel tests share to make their fixtures and read back what the
// tool wrote: code-page-932 bytes of UTF-8 text, a whole file's bytes.

#include <filesystem>
#include <fstream>
#include <iconv.h>
#include <iterator>
#include <stdexcept>
#include <string>

namespace ruvo::test {

// Code-page-932 bytes of a UTF-8 text, so that fixtures can be written
// readably.
inline std::string ToCp932(const std::string& utf8) {
    iconv_t cd = iconv_open("CP932", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1))
        throw std::runtime_error("no CP932 converter");
    std::string out(utf8.size() * 2 + 1, '\0');
    char* in = const_cast<char*>(utf8.data());
    std::size_t inLeft = utf8.size();
    char* outPtr = out.data();
    std::size_t outLeft = out.size();
    const std::size_t result = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    if (result == static_cast<std::size_t>(-1))
        throw std::runtime_error("not convertible to CP932: " + utf8);
    out.resize(out.size() - outLeft);
    return out;
}

inline std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace ruvo::test
