#pragma once

#include <cstddef>
#include <filesystem>
#include <map>
#include <string>

namespace ruvo {

// Generated phone books of given sizes in one scratch folder, made on first
// use and removed with the folder at the end of the run.
class BenchBooks {
public:
    explicit BenchBooks(const std::string& prefix = "ruvo-bench");
    ~BenchBooks();
    BenchBooks(const BenchBooks&) = delete;
    BenchBooks& operator=(const BenchBooks&) = delete;

    // The book of this many entries (a backup made beside it stays there).
    const std::string& Book(std::size_t entries);
    // A path in the folder for written output.
    std::string Output() const;

private:
    std::filesystem::path dir_;
    std::map<std::size_t, std::string> books_;
};

// The one set of books of a benchmark program.
BenchBooks& Files();

} // namespace ruvo
