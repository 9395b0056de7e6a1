// ruvotel: the phone-book file from the command line, with the editor's own
// reading, sorting and writing.

#include "core/error/Errors.h"
#include "core/exchange/FileKind.h"
#include "core/messages/Language.h"
#include "tools/ruvotel/Arguments.h"
#include "tools/ruvotel/Commands.h"

#include <exception>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

int main(int argc, char** argv) {
    using namespace ruvotel;
    // The core's messages in the locale's language, as a terminal user
    // expects; the window keeps Japanese.
    ruvo::messages::SetLanguage(ruvo::messages::LanguageOfEnvironment());
    const std::vector<std::string_view> arguments(argv + 1, argv + argc);
    Arguments args;
    if (const std::optional<int> code = ParseArguments(arguments, args))
        return *code;

    try {
        return RunCommand(args);
    } catch (const ruvo::Error& error) {
        const int code = Fail(error.what());
        // Contacts given where the book belongs: say what reads them.
        if (const auto* refused = dynamic_cast<const ruvo::exchange::ENotAPhoneBook*>(&error);
            refused && refused->kind() != ruvo::exchange::FileKind::NotText)
            PrintError(std::string(ruvo::messages::Message{
                           "ruvotel: その連絡先を電話帳に入れるには: ruvotel import BOOK ",
                           "ruvotel: to bring its contacts into a phone book: ruvotel "
                           "import BOOK "}
                                       .Text()) +
                       args.file);
        return code;
    } catch (const std::bad_alloc&) {
        return Fail(ruvo::messages::Message{"メモリが足りません", "out of memory"});
    } catch (const std::exception& error) {
        return Fail(error.what());
    }
}
