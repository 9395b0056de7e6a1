#pragma once

#include <array>
#include <string>
#include <string_view>

namespace ruvo {

// Turns code-page-932 bytes into UTF-8 for reading on a terminal. A byte that
// begins no character of the code page is shown as \xNN and decoding goes on
// with the next byte, so nothing is lost. In escaped mode every byte of the
// input can be told from the output: backslash and double quote become \\ and
// \", TAB, CR and LF become \t, \r and \n, other control bytes \xNN.
class Cp932Decoder {
public:
    Cp932Decoder();

    void Append(std::string& out, std::string_view bytes, bool escaped) const;
    std::string Decode(std::string_view bytes, bool escaped) const;

private:
    // UTF-8 of each single byte, in plain and in escaped form.
    std::array<std::string, 256> plain_;
    std::array<std::string, 256> escaped_;
};

} // namespace ruvo
