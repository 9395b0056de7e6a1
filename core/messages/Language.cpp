#include "core/messages/Language.h"

#include <atomic>
#include <cstdlib>
#include <string_view>

namespace ruvo::messages {
namespace {

std::atomic<Language> current{Language::Japanese};

bool IsSet(const char* value) {
    return value != nullptr && *value != '\0';
}

bool IsJapanese(std::string_view locale) {
    return locale == "ja" || locale.starts_with("ja_") || locale.starts_with("ja.") ||
           locale.starts_with("ja@");
}

} // namespace

Language CurrentLanguage() {
    return current.load(std::memory_order_relaxed);
}

void SetLanguage(Language language) {
    current.store(language, std::memory_order_relaxed);
}

Language LanguageOfLocale(const char* lcAll, const char* lcMessages, const char* lang,
                          const char* languageList) {
    const char* locale = IsSet(lcAll) ? lcAll : IsSet(lcMessages) ? lcMessages : lang;
    const std::string_view name = IsSet(locale) ? locale : "C";
    if (name == "C" || name == "POSIX" || name.starts_with("C."))
        return Language::English;
    if (IsSet(languageList)) {
        // The first entry names the language wanted most; gettext would
        // fall back along the list, and both languages are always there.
        std::string_view list = languageList;
        return IsJapanese(list.substr(0, list.find(':'))) ? Language::Japanese : Language::English;
    }
    return IsJapanese(name) ? Language::Japanese : Language::English;
}

Language LanguageOfEnvironment() {
    return LanguageOfLocale(std::getenv("LC_ALL"), std::getenv("LC_MESSAGES"), std::getenv("LANG"),
                            std::getenv("LANGUAGE"));
}

} // namespace ruvo::messages
