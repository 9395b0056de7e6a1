// The editor's entry point: one window, run until it closes, exit code 0.
#include "ui/main.h"
#include "app/VersionText.h"
#include "ui/RuvoApplication.h"

int main(int argc, char** argv) {
    // The program reads no command line: Qt gets the program name only.
    static_cast<void>(argc);
    int qtArgc = 1;
    char* qtArgv[] = {argv[0], nullptr};
    ruvo::TRuvoApplication application(qtArgc, qtArgv);
    application.LoadJapaneseTranslation();

    ruvo::TFRuvoTelEdit window([] { return ruvo::VersionText(); });
    window.show();
    application.exec();
    return 0;
}
