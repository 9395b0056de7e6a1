#include "tools/ruvotel/Arguments.h"

#include "core/messages/Language.h"

#include <cstdio>
#include <string>

#ifndef RUVOTEL_VERSION
#error "RUVOTEL_VERSION must be defined by the build"
#endif

namespace ruvotel {
namespace {

// The help, in the locale's language.
constexpr ruvo::messages::Message kUsage{
    "使い方: ruvotel sort FILE [-o OUTPUT]\n"
    "        ruvotel dump FILE\n"
    "        ruvotel export FILE [--format vcard|vcard21|google|csv] [-o OUT]\n"
    "        ruvotel import FILE SOURCE... [--group NN] [--all-numbers]\n"
    "                       [--keep-duplicates] [--no-guess] [--dry-run]\n"
    "        ruvotel check FILE\n"
    "        ruvotel print FILE -o OUT.pdf [--paper A4|B5|A5|Letter]\n"
    "        ruvotel --help | --version\n"
    "\n"
    "  sort FILE     電話帳 FILE に、エディタで開いて保存したときと同じことをします:\n"
    "                FILE をバックアップ名 (拡張子を .BAK にした名前) にコピーし、\n"
    "                項目を読みの順、読みが同じならグループの順に並べ、各行を\n"
    "                CR LF で終えて書き直します。\n"
    "  -o, --output OUTPUT\n"
    "                並べた電話帳を OUTPUT に書きます。FILE は読むだけで、\n"
    "                バックアップは作りません。\n"
    "  dump FILE     FILE の 6 行のヘッダーとすべての項目をファイルの順に、\n"
    "                コードページ 932 から UTF-8 に変換して 1 行ずつ表示します:\n"
    "                  H<TAB>ヘッダー行\n"
    "                  E<TAB>グループ<TAB>名前<TAB>読み<TAB>電話番号\n"
    "                電話番号は \":0:0\" を除いた保存されたままの形です。\n"
    "                空の項目は \"\"、値のない項目は \\N と表示します。\n"
    "                エスケープ: \\\\ バックスラッシュ、\\\" 二重引用符、\\t TAB、\n"
    "                \\r CR、\\n LF。ほかの制御バイトとコードページ 932 の文字で\n"
    "                ないバイトは \\xNN。\n"
    "  export FILE   すべての項目を保存の順 (読み、次にグループ) に、標準出力か\n"
    "                OUT (-o) へ --format の形式で書きます:\n"
    "                  vcard    vCard 3.0、UTF-8 (既定)\n"
    "                  vcard21  vCard 2.1、Shift-JIS (携帯電話やカーナビ向け)\n"
    "                  google   Google 連絡先の CSV、バイト順マーク付き UTF-8\n"
    "                  csv      保存されたままの 4 列、Shift-JIS\n"
    "                Shift-JIS の文字でないバイトを含む項目は vcard と google では\n"
    "                U+FFFD として書き、標準エラーに報告します\n"
    "                (FILE:行: 名前: 内容)。続いて件数を表示します。OUT に FILE や\n"
    "                そのバックアップは指定できません。\n"
    "  import FILE SOURCE...\n"
    "                vCard や CSV の SOURCE それぞれの連絡先を FILE に追加し、\n"
    "                sort と同じように保存します (バックアップを作り、並べて)。\n"
    "                読み飛ばしたことや変えたことは 1 件ずつ標準エラーに報告し\n"
    "                (SOURCE:行: 名前: 内容)、続いて件数を表示します。\n"
    "    --group NN        グループのない連絡先のグループ\n"
    "    --all-numbers     優先の音声番号だけでなく、FAX も含めて番号ごとに 1 件\n"
    "    --keep-duplicates 電話帳やインポートにすでにある項目 (名前と番号) も\n"
    "                      インポートする\n"
    "    --no-guess        読みのない連絡先の読みを辞書で推測せず空のままにする\n"
    "    --dry-run         報告だけして何も書かない\n"
    "  check FILE    疑わしい項目を 1 行ずつ報告します (FILE:行: 内容)。辞書\n"
    "                (mecab-ipadic-utf8) にある姓名の読みのどれとも合わない読みも\n"
    "                報告します。\n"
    "  print FILE    電話の横に貼る電話帳を PDF で OUT (-o、必須) に書きます:\n"
    "                保存の順 (読み、次にグループ) に 1 行 1 項目、行ごとの見出し\n"
    "                (あ か さ ...)、ページごとにファイル名、件数、印刷日と\n"
    "                「n / N」。OUT に FILE やそのバックアップは指定できません。\n"
    "    --paper A4|B5|A5|Letter  用紙 (既定は A4 縦、B5 は JIS)\n"
    "\n"
    "終了ステータス: 0 は成功、1 は失敗 (標準エラーに \"ruvotel: <メッセージ>\"、\n"
    "何も書きません)、2 は使い方の誤り、3 は処理はしたが報告がある場合 (読み\n"
    "飛ばした、または切り詰めた連絡先、check の指摘、export の U+FFFD)。\n"
    "明らかに電話帳でない FILE (vCard、連絡先の CSV、バイナリファイル) は、\n"
    "何かを書く前に状態 1 で拒否します。\n",
    "Usage: ruvotel sort FILE [-o OUTPUT]\n"
    "       ruvotel dump FILE\n"
    "       ruvotel export FILE [--format vcard|vcard21|google|csv] [-o OUT]\n"
    "       ruvotel import FILE SOURCE... [--group NN] [--all-numbers]\n"
    "                      [--keep-duplicates] [--no-guess] [--dry-run]\n"
    "       ruvotel check FILE\n"
    "       ruvotel print FILE -o OUT.pdf [--paper A4|B5|A5|Letter]\n"
    "       ruvotel --help | --version\n"
    "\n"
    "  sort FILE     Do to the phone book FILE what opening and saving it in the\n"
    "                editor does: copy FILE to its backup name (extension replaced\n"
    "                by .BAK), then rewrite it with its entries sorted by reading,\n"
    "                then group, every line ending in CR LF.\n"
    "  -o, --output OUTPUT\n"
    "                Write the sorted phone book to OUTPUT instead. FILE is only\n"
    "                read and no backup is made.\n"
    "  dump FILE     Print the six header lines and every entry of FILE in file\n"
    "                order, converted from code page 932 to UTF-8, one per line:\n"
    "                  H<TAB>header line\n"
    "                  E<TAB>group<TAB>name<TAB>reading<TAB>telephone\n"
    "                The telephone number is shown as stored, without \":0:0\".\n"
    "                An empty field prints as \"\", an unset one as \\N.\n"
    "                Escapes: \\\\ backslash, \\\" double quote, \\t TAB, \\r CR,\n"
    "                \\n LF; \\xNN any other control byte and any byte that is\n"
    "                no code-page-932 character.\n"
    "  export FILE   Write every entry in the saved order (reading, then group)\n"
    "                to standard output or OUT (-o), as --format:\n"
    "                  vcard    vCard 3.0, UTF-8 (the default)\n"
    "                  vcard21  vCard 2.1, Shift-JIS, for phones and car kits\n"
    "                  google   Google Contacts CSV, UTF-8 with a byte-order mark\n"
    "                  csv      the four columns as stored, Shift-JIS\n"
    "                A field with bytes that are no Shift-JIS character is written\n"
    "                as U+FFFD in vcard and google and reported on standard error\n"
    "                (FILE:LINE: NAME: what), then the count. OUT may not be FILE\n"
    "                or its backup.\n"
    "  import FILE SOURCE...\n"
    "                Append the contacts of each vCard or CSV SOURCE to FILE and\n"
    "                save it as sort does (backup, sorted). What was skipped or\n"
    "                changed is reported on standard error, a line for each\n"
    "                (SOURCE:LINE: NAME: what happened), then the counts.\n"
    "    --group NN        group of contacts that bring none\n"
    "    --all-numbers     one entry per number, fax numbers too, not the\n"
    "                      preferred voice number only\n"
    "    --keep-duplicates import entries (name and number) already in the book\n"
    "                      or the import\n"
    "    --no-guess        leave the reading of a contact without one empty\n"
    "                      instead of the dictionary's proposal\n"
    "    --dry-run         report, write nothing\n"
    "  check FILE    Report doubtful entries, one line each (FILE:LINE: what),\n"
    "                readings that are none of the name's readings in the\n"
    "                dictionary (mecab-ipadic-utf8) among them.\n"
    "  print FILE    Write the directory to hang by the telephone as a PDF to\n"
    "                OUT (-o, required): the entries in the saved order, one a\n"
    "                row, a heading for each kana row (あ か さ ...), and on every\n"
    "                page the file's name, the entries, the date and \"n / N\".\n"
    "                OUT may not be FILE or its backup.\n"
    "    --paper A4|B5|A5|Letter  the paper (A4 portrait by default; B5 is JIS)\n"
    "\n"
    "Exit status: 0 on success, 1 on failure (\"ruvotel: <message>\" on standard\n"
    "error, nothing written), 2 on wrong usage, 3 when the work was done but\n"
    "something was reported (skipped or cut contacts, check findings, export's\n"
    "U+FFFD). A FILE that is plainly no phone book (a vCard, a contacts CSV, a\n"
    "binary file) is refused with status 1 before anything is written.\n"};

// A reason for the usage error, with its one value (%s) filled in.
std::string Reason(const ruvo::messages::Message& text, std::string_view value = {}) {
    std::string out(text.Text());
    if (const std::size_t at = out.find("%s"); at != std::string::npos)
        out.replace(at, 2, value);
    return out;
}

int UsageError(std::string_view reason) {
    const std::string_view usage = kUsage.Text();
    std::fprintf(stderr, "ruvotel: %.*s\n%.*s", static_cast<int>(reason.size()), reason.data(),
                 static_cast<int>(usage.size()), usage.data());
    return kUsageError;
}

// The reasons; a quoted value fills %s.
using ruvo::messages::Message;
constexpr Message kNoCommand{"コマンドがありません", "no command given"};
constexpr Message kUnknownCommand{"'%s' というコマンドはありません", "unknown command '%s'"};
constexpr Message kNeedsFileName{"オプション '%s' にはファイル名が要ります",
                                 "option '%s' needs a file name"};
constexpr Message kFormatIsExports{"オプション --format は export のものです",
                                   "option --format belongs to export"};
constexpr Message kNeedsFormat{"オプション '--format' には形式が要ります",
                               "option '--format' needs a format"};
constexpr Message kUnknownFormat{"'%s' という形式はありません", "unknown format '%s'"};
constexpr Message kGroupIsImports{"オプション --group は import のものです",
                                  "option --group belongs to import"};
constexpr Message kNeedsGroup{"オプション '--group' にはグループ番号が要ります",
                              "option '--group' needs a group number"};
constexpr Message kBadGroup{"グループは 1 桁か 2 桁の数字です ('%s' ではなく)",
                            "a group is one or two digits, not '%s'"};
constexpr Message kUnknownOption{"'%s' というオプションはありません", "unknown option '%s'"};
constexpr Message kTwoFiles{"FILE が 2 つ以上あります", "more than one FILE given"};
constexpr Message kOutputIsSortsAndExports{"オプション -o は sort、export と print のものです",
                                           "option -o belongs to sort, export and print"};
constexpr Message kTwoOutputs{"OUTPUT が 2 つ以上あります", "more than one OUTPUT given"};
constexpr Message kEmptyOutput{"OUTPUT の名前が空です", "empty OUTPUT name"};
constexpr Message kPaperIsPrints{"オプション --paper は print のものです",
                                 "option --paper belongs to print"};
constexpr Message kNeedsPaper{"オプション '--paper' には用紙が要ります",
                              "option '--paper' needs a paper size"};
constexpr Message kUnknownPaper{"'%s' という用紙はありません (A4、B5、A5、Letter)",
                                "unknown paper '%s' (A4, B5, A5, Letter)"};
constexpr Message kPrintNeedsOutput{"print には -o OUT.pdf が要ります", "print needs -o OUT.pdf"};
constexpr Message kNoFile{"FILE がありません", "no FILE given"};
constexpr Message kNoSource{"SOURCE がありません", "no SOURCE given"};

} // namespace

std::optional<int> ParseArguments(const std::vector<std::string_view>& argv, Arguments& args) {
    if (argv.empty())
        return UsageError(Reason(kNoCommand));
    for (std::string_view arg : argv) {
        if (arg == "--")
            break;
        if (arg == "--help" || arg == "-h") {
            std::fwrite(kUsage.Text().data(), 1, kUsage.Text().size(), stdout);
            return kSuccess;
        }
        if (arg == "--version") {
            std::puts("ruvotel " RUVOTEL_VERSION);
            return kSuccess;
        }
    }
    args.command = argv[0];
    if (args.command != "sort" && args.command != "dump" && args.command != "export" &&
        args.command != "import" && args.command != "check" && args.command != "print")
        return UsageError(Reason(kUnknownCommand, args.command));
    const bool importing = args.command == "import";

    bool haveFile = false;
    bool optionsEnded = false;
    for (std::size_t i = 1; i < argv.size(); ++i) {
        const std::string_view arg = argv[i];
        std::optional<std::string_view> output;
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (!optionsEnded && (arg == "-o" || arg == "--output")) {
            if (i + 1 == argv.size())
                return UsageError(Reason(kNeedsFileName, arg));
            output = argv[++i];
        } else if (!optionsEnded && arg.starts_with("--output=")) {
            output = arg.substr(9);
        } else if (!optionsEnded && arg.starts_with("-o")) {
            output = arg.substr(2);
        } else if (!optionsEnded && (arg == "--format" || arg.starts_with("--format="))) {
            if (args.command != "export")
                return UsageError(Reason(kFormatIsExports));
            if (arg == "--format" && i + 1 == argv.size())
                return UsageError(Reason(kNeedsFormat));
            const std::string_view name = arg == "--format" ? argv[++i] : arg.substr(9);
            const auto format = ruvo::exchange::ParseExportFormat(name);
            if (!format)
                return UsageError(Reason(kUnknownFormat, name));
            args.format = *format;
            continue;
        } else if (!optionsEnded && (arg == "--group" || arg.starts_with("--group="))) {
            if (!importing)
                return UsageError(Reason(kGroupIsImports));
            if (arg == "--group" && i + 1 == argv.size())
                return UsageError(Reason(kNeedsGroup));
            const std::string_view group = arg == "--group" ? argv[++i] : arg.substr(8);
            if (group.empty() || group.size() > 2 ||
                group.find_first_not_of("0123456789") != std::string_view::npos)
                return UsageError(Reason(kBadGroup, group));
            args.import.group = std::string(group);
            continue;
        } else if (!optionsEnded && (arg == "--paper" || arg.starts_with("--paper="))) {
            if (args.command != "print")
                return UsageError(Reason(kPaperIsPrints));
            if (arg == "--paper" && i + 1 == argv.size())
                return UsageError(Reason(kNeedsPaper));
            const std::string_view paper = arg == "--paper" ? argv[++i] : arg.substr(8);
            if (paper != "A4" && paper != "B5" && paper != "A5" && paper != "Letter")
                return UsageError(Reason(kUnknownPaper, paper));
            args.paper = std::string(paper);
            continue;
        } else if (!optionsEnded && importing && arg == "--all-numbers") {
            args.import.allNumbers = true;
            continue;
        } else if (!optionsEnded && importing && arg == "--keep-duplicates") {
            args.import.keepDuplicates = true;
            continue;
        } else if (!optionsEnded && importing && arg == "--no-guess") {
            args.import.guessReadings = false;
            continue;
        } else if (!optionsEnded && importing && arg == "--dry-run") {
            args.dryRun = true;
            continue;
        } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
            return UsageError(Reason(kUnknownOption, arg));
        } else if (haveFile && importing) {
            args.sources.emplace_back(arg);
            continue;
        } else if (haveFile) {
            return UsageError(Reason(kTwoFiles));
        } else {
            args.file = arg;
            haveFile = true;
            continue;
        }
        if (args.command != "sort" && args.command != "export" && args.command != "print")
            return UsageError(Reason(kOutputIsSortsAndExports));
        if (args.output)
            return UsageError(Reason(kTwoOutputs));
        if (output->empty())
            return UsageError(Reason(kEmptyOutput));
        args.output = std::string(*output);
    }
    if (!haveFile || args.file.empty())
        return UsageError(Reason(kNoFile));
    if (importing && args.sources.empty())
        return UsageError(Reason(kNoSource));
    if (args.command == "print" && !args.output)
        return UsageError(Reason(kPrintNeedsOutput));
    return std::nullopt;
}

} // namespace ruvotel
