#include "tools/ruvotel/Commands.h"
#include "tools/ruvotel/PrintCommand.h"

#include "core/messages/Language.h"

#include <climits>
#include <string>
#include <unistd.h>
#include <vector>

#ifndef RUVOTEL_LIBEXEC_DIR
#error "RUVOTEL_LIBEXEC_DIR (relative to the bin folder's parent) must be defined by the build"
#endif

namespace ruvotel {

int RunPrintProgram(const Arguments& args) {
    char self[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    const std::string exe =
        length > 0 ? std::string(self, static_cast<std::size_t>(length)) : std::string();
    const std::string bin = exe.substr(0, exe.rfind('/') + 1);
    // Beside ruvotel in the build tree; PREFIX/libexec/ruvoteledit when
    // installed to PREFIX/bin.
    const std::string candidates[] = {bin + "ruvotel-print",
                                      bin + "../" RUVOTEL_LIBEXEC_DIR "/ruvotel-print"};
    std::vector<std::string> words = {"ruvotel", "print",      "--paper", args.paper,
                                      "-o",      *args.output, "--",      args.file};
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    for (const std::string& program : candidates)
        if (access(program.c_str(), X_OK) == 0)
            execv(program.c_str(), argv.data());
    return Fail(ruvo::messages::Message{"印刷のプログラム ruvotel-print が見つかりません",
                                        "the printing program ruvotel-print is missing"});
}

} // namespace ruvotel
