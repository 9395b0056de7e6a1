#pragma once

// What poppler's tools (poppler-utils) read back from a PDF: its text as
// laid out, its fonts and its page size. Plain C++, for the ruvotel tests
// and the window tests alike.

#include <cstdio>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace ruvo::test {

// The standard output of a shell command.
inline std::string CommandOutput(const std::string& command) {
    std::string out;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            out.append(buffer, n);
        pclose(pipe);
    }
    return out;
}

inline std::string Quoted(const std::string& path) {
    std::string quoted = "'";
    for (const char c : path)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

inline std::string PdfText(const std::string& pdf) {
    return CommandOutput("pdftotext -layout " + Quoted(pdf) + " - 2>&1");
}
inline std::string PdfFonts(const std::string& pdf) {
    return CommandOutput("pdffonts " + Quoted(pdf) + " 2>&1");
}
inline std::string PdfInfo(const std::string& pdf) {
    return CommandOutput("pdfinfo " + Quoted(pdf) + " 2>&1");
}

// The words of a line joined by one space.
inline std::string Words(const std::string& line) {
    std::istringstream in(line);
    std::string word, out;
    while (in >> word)
        out += (out.empty() ? "" : " ") + word;
    return out;
}

// The directory as read: the lines of every page between its head (book
// name, count, date; column titles) and its foot ("n / N"), each as its
// words joined by one space.
struct DirectoryText {
    std::vector<std::string> body;
    std::vector<std::vector<std::string>> pages; // the body page by page
    std::vector<std::string> heads;              // the first line of each page
    std::vector<std::string> feet;
};

inline DirectoryText ReadDirectory(const std::string& pdf) {
    DirectoryText text;
    std::istringstream in(PdfText(pdf));
    const std::regex foot(R"(\d+ / \d+)");
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line[0] == '\f')
            line.erase(0, 1);
        const std::string words = Words(line);
        if (words.empty())
            continue;
        if (words.find("印刷日") != std::string::npos) {
            text.heads.push_back(words);
            text.pages.emplace_back();
        } else if (words.find("姓名") != std::string::npos &&
                   words.find("電話番号") != std::string::npos)
            continue;
        else if (std::regex_match(words, foot))
            text.feet.push_back(words);
        else if (text.pages.empty())
            text.body.push_back(words);
        else {
            text.body.push_back(words);
            text.pages.back().push_back(words);
        }
    }
    return text;
}

// The number of pages pdfinfo reads, -1 when it reads none.
inline int PageCount(const std::string& pdf) {
    std::istringstream info(PdfInfo(pdf));
    for (std::string line; std::getline(info, line);)
        if (line.starts_with("Pages:"))
            return std::stoi(line.substr(6));
    return -1;
}

// The "Page size" line of pdfinfo, e.g. "595 x 842 pts (A4)".
inline std::string PageSize(const std::string& pdf) {
    const std::string info = PdfInfo(pdf);
    const std::size_t at = info.find("Page size:");
    if (at == std::string::npos)
        return info;
    const std::size_t end = info.find('\n', at);
    return Words(info.substr(at + 10, end - at - 10));
}

} // namespace ruvo::test
