// Proposes readings for names read from standard input, one a line, and
// writes each line back followed by a tab and its proposals, tab-separated
// (nothing after the tab when there is none). What reading_score.py scores.

#include "core/reading/ReadingGuess.h"

#include <iostream>
#include <string>

int main() {
    ruvo::reading::ReadingGuesser guesser;
    if (!guesser.Available()) {
        std::cerr << "reading_propose: the MeCab dictionary did not load\n";
        return 1;
    }
    std::string line;
    while (std::getline(std::cin, line)) {
        std::cout << line << '\t';
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
