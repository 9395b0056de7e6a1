#include "BenchBooks.h"

#include "PhoneBookGenerator.h"

#include <stdexcept>
#include <stdlib.h>
#include <system_error>

namespace fs = std::filesystem;

namespace ruvo {

BenchBooks::BenchBooks(const std::string& prefix) {
    std::string pattern = (fs::temp_directory_path() / (prefix + "-XXXXXX")).string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("cannot create a scratch folder");
    dir_ = pattern;
}

BenchBooks::~BenchBooks() {
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
}

const std::string& BenchBooks::Book(std::size_t entries) {
    auto it = books_.find(entries);
    if (it == books_.end()) {
        const std::string path = (dir_ / ("book-" + std::to_string(entries) + ".txt")).string();
        PhoneBookGenerator().WriteFile(path, entries);
        it = books_.emplace(entries, path).first;
    }
    return it->second;
}

std::string BenchBooks::Output() const {
    return (dir_ / "out.txt").string();
}

BenchBooks& Files() {
    static BenchBooks files;
    return files;
}

} // namespace ruvo
