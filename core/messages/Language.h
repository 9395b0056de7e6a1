#pragma once

#include <string_view>

// The language of the texts the core shows. The window is Japanese whatever
// the locale; a command-line program follows the locale, as Debian's tools
// do.
namespace ruvo::messages {

enum class Language { Japanese, English };

// Japanese until a program chooses.
Language CurrentLanguage();
void SetLanguage(Language language);

// The language the locale asks for messages: the first of LC_ALL,
// LC_MESSAGES and LANG that is set decides, and GNU's LANGUAGE list, when
// the locale is not C, goes before it, as for gettext. Japanese for "ja"
// and "ja_*", English otherwise (a missing or C locale included).
Language LanguageOfLocale(const char* lcAll, const char* lcMessages, const char* lang,
                          const char* languageList);
// The same for this process's environment.
Language LanguageOfEnvironment();

// A text the core holds in both languages; reads as the current one.
struct Message {
    std::string_view japanese;
    std::string_view english;

    std::string_view Text() const {
        return CurrentLanguage() == Language::English ? english : japanese;
    }
    operator std::string_view() const { return Text(); }
};

} // namespace ruvo::messages
