#include "core/phone/TelephoneNumber.h"

#include "core/text/Utf8.h"

#include <phonenumbers/phonenumber.pb.h>
#include <phonenumbers/phonenumberutil.h>

#include <algorithm>
#include <array>
#include <optional>

namespace ruvo::phone {
namespace {

using i18n::phonenumbers::PhoneNumber;
using i18n::phonenumbers::PhoneNumberUtil;

constexpr const char* kRegion = "JP";

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
               return a == (b >= 'A' && b <= 'Z' ? static_cast<char>(b - 'A' + 'a') : b);
           });
}

// Characters a written number is made of: digits (ASCII and full-width),
// the plus of a country code, and the spaces, hyphens, dashes, brackets and
// dots people group digits with. Anything else (a letter, a pause ',' or
// ';', a '/' before a second number, a remark) ends the number.
bool IsNumberCharacter(char32_t c) {
    constexpr std::array<char32_t, 20> kPunctuation = {
        U' ',      U'+',      U'-',      U'(',      U')',      U'.',      U'[',
        U']',      U'\t',     U'\u3000', U'\uFF0B', U'\uFF0D', U'\uFF08', U'\uFF09',
        U'\uFF0E', U'\u2010', U'\u2011', U'\u2012', U'\u2013', U'\u2212'};
    return (c >= U'0' && c <= U'9') || (c >= U'\uFF10' && c <= U'\uFF19') ||
           std::find(kPunctuation.begin(), kPunctuation.end(), c) != kPunctuation.end();
}

std::string_view Trimmed(std::string_view text) {
    const auto isSpace = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && isSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

std::string DigitsOf(std::string text) {
    PhoneNumberUtil::GetInstance()->NormalizeDigitsOnly(&text);
    return text;
}

std::string_view WithoutScheme(std::string_view text) {
    text = Trimmed(text);
    if (StartsWithIgnoringCase(text, "tel:"))
        text.remove_prefix(4);
    return text;
}

// The digits of a number written as dialled within Japan, with nothing the
// library would read differently: ASCII digits, '-', '(', ')' and spaces
// only (no country code, extension or pause), a trunk 0 followed by another
// digit (not 00, where carrier prefixes begin, nor the international prefix
// 010), and between 4 and 17 digits, so that it is never too short or too
// long for the library. The library takes such a text as a number of the
// default region, for which ReadTelephoneNumber keeps the digits as typed.
std::optional<std::string> PlainDomesticDigits(std::string_view text) {
    constexpr std::size_t kFewest = 4;
    constexpr std::size_t kMost = 17;
    std::string digits;
    for (const char c : text) {
        if (c >= '0' && c <= '9') {
            if (digits.size() == kMost)
                return std::nullopt;
            digits += c;
        } else if (c != '-' && c != '(' && c != ')' && c != ' ') {
            return std::nullopt;
        }
    }
    if (digits.size() < kFewest || digits[0] != '0' || digits[1] == '0' ||
        (digits[1] == '1' && digits[2] == '0'))
        return std::nullopt;
    return digits;
}

} // namespace

DialledNumber ReadTelephoneNumber(std::string_view text) {
    if (std::optional<std::string> digits = PlainDomesticDigits(WithoutScheme(text)))
        return {std::move(*digits), {}};
    return detail::ReadWithLibrary(text);
}

std::string FormatTelephoneNumber(std::string_view stored) {
    const std::string text(stored);
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos)
        return text;
    const PhoneNumberUtil& util = *PhoneNumberUtil::GetInstance();
    PhoneNumber number;
    // After the international prefix, the country code and the number.
    const bool foreign = text.starts_with("010");
    if (util.Parse(foreign ? "+" + text.substr(3) : text, kRegion, &number) !=
            PhoneNumberUtil::NO_PARSING_ERROR ||
        !util.IsValidNumber(number))
        return text;
    std::string formatted;
    if (foreign)
        util.FormatOutOfCountryCallingNumber(number, kRegion, &formatted);
    else
        util.Format(number, PhoneNumberUtil::NATIONAL, &formatted);
    // Grouping adds hyphens and spaces only: a result with other digits
    // than the stored ones is no reading of this number.
    return DigitsOf(formatted) == text ? formatted : text;
}

DialledNumber detail::ReadWithLibrary(std::string_view text) {
    text = WithoutScheme(text);

    std::size_t end = 0;
    // A byte that begins no UTF-8 character is no part of a number.
    while (end < text.size()) {
        std::size_t next = end;
        const std::optional<char32_t> code = utf8::Next(text, next);
        if (!code || !IsNumberCharacter(*code))
            break;
        end = next;
    }
    // A bracket or space that opens the remark after the number ("03-1234-
    // 5678 (自宅)") goes with the remark.
    if (end < text.size())
        while (end > 0 && (text[end - 1] == ' ' || text[end - 1] == '(' || text[end - 1] == '['))
            --end;
    DialledNumber result;
    result.leftOut = std::string(Trimmed(text.substr(end)));
    const std::string written(text.substr(0, end));
    const std::string typedDigits = DigitsOf(written);
    if (typedDigits.empty())
        return result;

    const PhoneNumberUtil& util = *PhoneNumberUtil::GetInstance();
    PhoneNumber number;
    if (util.ParseAndKeepRawInput(written, kRegion, &number) != PhoneNumberUtil::NO_PARSING_ERROR)
        return result;
    if (number.country_code_source() == PhoneNumber::FROM_DEFAULT_COUNTRY) {
        // Written as dialled in Japan: the digits as they stand, so that a
        // short or unusual number keeps every digit the user wrote.
        result.digits = typedDigits;
    } else if (number.country_code() == util.GetCountryCodeForRegion(kRegion)) {
        // "+81 3 …" or "+81 (0)3 …": dialled from within Japan with its 0.
        std::string national;
        util.GetNationalSignificantNumber(number, &national);
        result.digits = "0" + national;
    } else {
        std::string international;
        util.FormatOutOfCountryCallingNumber(number, kRegion, &international);
        result.digits = DigitsOf(international);
    }
    return result;
}

} // namespace ruvo::phone
