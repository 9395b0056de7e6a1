// Proposes readings for names read from standard input, one a line, and
// writes each line back followed by a tab and its proposals, tab-separated
// (nothing after the tab when there is none). With --check, each line is a
// name, a tab and a reading, written back with a tab and what the dictionary
// says of the reading: agrees, disagrees or unsure. With --first, each name
// is followed by the first proposal only, as the import takes it. What
// reading_score.py scores.

#include "core/reading/ReadingGuess.h"

#include <iostream>
#include <string>
#include <string_view>

namespace {

std::string_view VerdictName(ruvo::reading::ReadingCheck verdict) {
    switch (verdict) {
    case ruvo::reading::ReadingCheck::Agrees:
        return "agrees";
    case ruvo::reading::ReadingCheck::Disagrees:
        return "disagrees";
    case ruvo::reading::ReadingCheck::Unsure:
        return "unsure";
    }
    return {};
}

} // namespace

int main(int argc, char** argv) {
    const std::string_view mode = argc > 1 ? argv[1] : "";
    const bool check = mode == "--check";
    ruvo::reading::ReadingGuesser guesser;
    if (!guesser.Available()) {
        std::cerr << "reading_propose: the MeCab dictionary did not load\n";
        return 1;
    }
    std::string line;
    while (std::getline(std::cin, line)) {
        std::cout << line << '\t';
        if (check) {
            const std::size_t tab = line.find('\t');
            const std::string_view text(line);
            std::cout << VerdictName(guesser.Check(text.substr(0, tab), tab == std::string::npos
                                                                            ? std::string_view()
                                                                            : text.substr(tab + 1)))
                      << '\n';
            continue;
        }
        if (mode == "--first") {
            std::cout << guesser.FirstProposal(line).value_or("") << '\n';
            continue;
        }
        bool first = true;
        for (const std::string& reading : guesser.Propose(line)) {
            if (!first)
                std::cout << '\t';
            std::cout << reading;
            first = false;
        }
        std::cout << '\n';
    }
    return 0;
}
