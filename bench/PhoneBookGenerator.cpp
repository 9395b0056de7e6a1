#include "PhoneBookGenerator.h"

#include <cstdio>
#include <iconv.h>
#include <memory>
#include <stdexcept>
#include <string_view>

namespace ruvo {

namespace {

// Text and reading, separated by '|', in UTF-8.
constexpr std::string_view kSurnames[] = {
    "佐藤|ｻﾄｳ",   "鈴木|ｽｽﾞｷ",   "高橋|ﾀｶﾊｼ",    "田中|ﾀﾅｶ",   "伊藤|ｲﾄｳ",  "渡辺|ﾜﾀﾅﾍﾞ",
    "山本|ﾔﾏﾓﾄ",  "中村|ﾅｶﾑﾗ",   "小林|ｺﾊﾞﾔｼ",   "加藤|ｶﾄｳ",   "吉田|ﾖｼﾀﾞ", "山田|ﾔﾏﾀﾞ",
    "佐々木|ｻｻｷ", "山口|ﾔﾏｸﾞﾁ",  "松本|ﾏﾂﾓﾄ",    "井上|ｲﾉｳｴ",  "木村|ｷﾑﾗ",  "林|ﾊﾔｼ",
    "斎藤|ｻｲﾄｳ",  "清水|ｼﾐｽﾞ",   "山崎|ﾔﾏｻﾞｷ",   "森|ﾓﾘ",      "池田|ｲｹﾀﾞ", "橋本|ﾊｼﾓﾄ",
    "阿部|ｱﾍﾞ",   "石川|ｲｼｶﾜ",   "山下|ﾔﾏｼﾀ",    "中島|ﾅｶｼﾞﾏ", "石井|ｲｼｲ",  "小川|ｵｶﾞﾜ",
    "前田|ﾏｴﾀﾞ",  "岡田|ｵｶﾀﾞ",   "長谷川|ﾊｾｶﾞﾜ", "藤田|ﾌｼﾞﾀ",  "後藤|ｺﾞﾄｳ", "近藤|ｺﾝﾄﾞｳ",
    "村上|ﾑﾗｶﾐ",  "遠藤|ｴﾝﾄﾞｳ",  "青木|ｱｵｷ",     "坂本|ｻｶﾓﾄ",  "斉藤|ｻｲﾄｳ", "福田|ﾌｸﾀﾞ",
    "太田|ｵｵﾀ",   "西村|ﾆｼﾑﾗ",   "藤井|ﾌｼﾞｲ",    "金子|ｶﾈｺ",   "岡本|ｵｶﾓﾄ", "藤原|ﾌｼﾞﾜﾗ",
    "中野|ﾅｶﾉ",   "三浦|ﾐｳﾗ",    "原田|ﾊﾗﾀﾞ",    "中川|ﾅｶｶﾞﾜ", "松田|ﾏﾂﾀﾞ", "竹内|ﾀｹｳﾁ",
    "小野|ｵﾉ",    "田村|ﾀﾑﾗ",    "中山|ﾅｶﾔﾏ",    "和田|ﾜﾀﾞ",   "石田|ｲｼﾀﾞ", "森田|ﾓﾘﾀ",
    "上田|ｳｴﾀﾞ",  "原|ﾊﾗ",       "内田|ｳﾁﾀﾞ",    "柴田|ｼﾊﾞﾀ",  "酒井|ｻｶｲ",  "工藤|ｸﾄﾞｳ",
    "横山|ﾖｺﾔﾏ",  "宮崎|ﾐﾔｻﾞｷ",  "宮本|ﾐﾔﾓﾄ",    "内藤|ﾅｲﾄｳ",  "高木|ﾀｶｷﾞ", "安藤|ｱﾝﾄﾞｳ",
    "谷口|ﾀﾆｸﾞﾁ", "大野|ｵｵﾉ",    "丸山|ﾏﾙﾔﾏ",    "今井|ｲﾏｲ",   "河野|ｺｳﾉ",  "藤本|ﾌｼﾞﾓﾄ",
    "小島|ｺｼﾞﾏ",  "坂東|ﾊﾞﾝﾄﾞｳ",
};

constexpr std::string_view kGivenNames[] = {
    "一郎|ｲﾁﾛｳ", "太郎|ﾀﾛｳ",   "健太|ｹﾝﾀ",   "翔太|ｼｮｳﾀ", "大輔|ﾀﾞｲｽｹ", "拓也|ﾀｸﾔ",   "直樹|ﾅｵｷ",
    "健一|ｹﾝｲﾁ", "誠|ﾏｺﾄ",     "大輝|ﾀﾞｲｷ",  "蓮|ﾚﾝ",     "悠真|ﾕｳﾏ",   "陽翔|ﾊﾙﾄ",   "湊|ﾐﾅﾄ",
    "大和|ﾔﾏﾄ",  "隆|ﾀｶｼ",     "浩二|ｺｳｼﾞ",  "修|ｵｻﾑ",    "清|ｷﾖｼ",     "茂|ｼｹﾞﾙ",    "勇|ｲｻﾑ",
    "進|ｽｽﾑ",    "剛|ﾂﾖｼ",     "学|ﾏﾅﾌﾞ",    "淳|ｼﾞｭﾝ",   "玄気|ｹﾞﾝｷ",  "豪|ｺﾞｳ",     "譲|ﾕｽﾞﾙ",
    "航|ﾜﾀﾙ",    "亮|ﾘｮｳ",     "康弘|ﾔｽﾋﾛ",  "正雄|ﾏｻｵ",  "花子|ﾊﾅｺ",   "美代子|ﾐﾖｺ", "和子|ｶｽﾞｺ",
    "由美|ﾕﾐ",   "恵子|ｹｲｺ",   "陽子|ﾖｳｺ",   "裕子|ﾕｳｺ",  "直美|ﾅｵﾐ",   "久美子|ｸﾐｺ", "真由美|ﾏﾕﾐ",
    "愛|ｱｲ",     "彩|ｱﾔ",      "舞|ﾏｲ",      "結衣|ﾕｲ",   "陽菜|ﾋﾅ",    "葵|ｱｵｲ",     "凛|ﾘﾝ",
    "芽衣|ﾒｲ",   "さくら|ｻｸﾗ", "美咲|ﾐｻｷ",   "千尋|ﾁﾋﾛ",  "翼|ﾂﾊﾞｻ",    "静香|ｼｽﾞｶ",  "瞳|ﾋﾄﾐ",
    "涼子|ﾘｮｳｺ", "純子|ｼﾞｭﾝｺ", "順子|ｼﾞｭﾝｺ", "節子|ｾﾂｺ",  "幸子|ｻﾁｺ",   "弘子|ﾋﾛｺ",   "文子|ﾌﾐｺ",
    "道子|ﾐﾁｺ",  "優子|ﾕｳｺ",   "智子|ﾄﾓｺ",   "奈々|ﾅﾅ",   "桃子|ﾓﾓｺ",   "楓|ｶｴﾃﾞ",    "渚|ﾅｷﾞｻ",
    "雅人|ﾏｻﾄ",  "秀樹|ﾋﾃﾞｷ",  "英二|ｴｲｼﾞ",  "賢治|ｹﾝｼﾞ", "晃|ｱｷﾗ",     "博|ﾋﾛｼ",     "実|ﾐﾉﾙ",
    "徹|ﾄｵﾙ",    "武|ﾀｹｼ",     "護|ﾏﾓﾙ",
};

constexpr std::string_view kPlaces[] = {
    "中央|ﾁｭｳｵｳ",  "駅前|ｴｷﾏｴ",  "みどり|ﾐﾄﾞﾘ", "さくら|ｻｸﾗ",      "ひかり|ﾋｶﾘ",
    "東京|ﾄｳｷｮｳ",  "大和|ﾔﾏﾄ",   "富士|ﾌｼﾞ",    "若葉|ﾜｶﾊﾞ",       "青葉|ｱｵﾊﾞ",
    "日の出|ﾋﾉﾃﾞ", "旭|ｱｻﾋ",     "丸山|ﾏﾙﾔﾏ",   "城南|ｼﾞｮｳﾅﾝ",     "港|ﾐﾅﾄ",
    "北野|ｷﾀﾉ",    "南町|ﾐﾅﾐﾏﾁ", "本町|ﾎﾝﾏﾁ",   "緑が丘|ﾐﾄﾞﾘｶﾞｵｶ", "銀座|ｷﾞﾝｻﾞ",
};

constexpr std::string_view kBusinesses[] = {
    "タクシー|ﾀｸｼｰ",   "スーパー|ｽｰﾊﾟｰ", "クリーニング|ｸﾘｰﾆﾝｸﾞ", "歯科|ｼｶ",
    "内科|ﾅｲｶ",        "薬局|ﾔｯｷｮｸ",     "ベーカリー|ﾍﾞｰｶﾘｰ",    "コーヒー店|ｺｰﾋｰﾃﾝ",
    "電器|ﾃﾞﾝｷ",       "不動産|ﾌﾄﾞｳｻﾝ",  "ゴルフ場|ｺﾞﾙﾌｼﾞｮｳ",    "ホテル|ﾎﾃﾙ",
    "整骨院|ｾｲｺﾂｲﾝ",   "美容室|ﾋﾞﾖｳｼﾂ",  "自動車|ｼﾞﾄﾞｳｼｬ",       "保育園|ﾎｲｸｴﾝ",
    "郵便局|ﾕｳﾋﾞﾝｷｮｸ", "ガス店|ｶﾞｽﾃﾝ",   "ソフト工房|ｿﾌﾄｺｳﾎﾞｳ",  "センター|ｾﾝﾀｰ",
};

// Landline area codes without the leading 0; the number is filled to ten
// digits.
constexpr std::string_view kAreaCodes[] = {"3",  "6",  "42", "45",  "52",  "75",  "92",
                                           "11", "22", "48", "266", "463", "761", "985"};

class Cp932Encoder {
public:
    Cp932Encoder() : cd_(iconv_open("CP932", "UTF-8")) {
        if (cd_ == reinterpret_cast<iconv_t>(-1))
            throw std::runtime_error("no CP932 converter in the C library");
    }
    ~Cp932Encoder() { iconv_close(cd_); }
    Cp932Encoder(const Cp932Encoder&) = delete;
    Cp932Encoder& operator=(const Cp932Encoder&) = delete;

    std::string operator()(std::string_view utf8) {
        std::string out(utf8.size() * 2 + 1, '\0');
        std::string in(utf8);
        char* inPtr = in.data();
        std::size_t inLeft = in.size();
        char* outPtr = out.data();
        std::size_t outLeft = out.size();
        if (iconv(cd_, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1))
            throw std::runtime_error("not convertible to CP932: " + in);
        out.resize(out.size() - outLeft);
        return out;
    }

private:
    iconv_t cd_;
};

template <std::size_t N>
std::vector<PhoneBookGenerator::Word> Encode(Cp932Encoder& encode,
                                             const std::string_view (&pairs)[N]) {
    std::vector<PhoneBookGenerator::Word> words;
    for (std::string_view pair : pairs) {
        const std::size_t bar = pair.find('|');
        words.push_back({encode(pair.substr(0, bar)), encode(pair.substr(bar + 1))});
    }
    return words;
}

} // namespace

PhoneBookGenerator::PhoneBookGenerator(std::uint64_t seed) : state_(seed) {
    Cp932Encoder encode;
    surnames_ = Encode(encode, kSurnames);
    givenNames_ = Encode(encode, kGivenNames);
    places_ = Encode(encode, kPlaces);
    businesses_ = Encode(encode, kBusinesses);
}

// splitmix64: small, fast and the same everywhere, unlike the standard
// library's distributions.
std::uint64_t PhoneBookGenerator::Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

std::size_t PhoneBookGenerator::Below(std::size_t bound) {
    return static_cast<std::size_t>((static_cast<unsigned __int128>(Next()) * bound) >> 64);
}

const PhoneBookGenerator::Word& PhoneBookGenerator::Pick(const std::vector<Word>& words) {
    return words[Below(words.size())];
}

std::array<std::string, 6> PhoneBookGenerator::HeaderLines(std::size_t entries) const {
    Cp932Encoder encode;
    return {encode("電話帳データ  ルーヴォ RV-720"),
            encode("作成日時 2024/05/18 10:42"),
            encode("登録件数 " + std::to_string(entries)),
            encode("グループ 01:家族 02:親戚 03:友人 04:仕事 05:病院 06:学校 07:お店 "
                   "08:公共 09:その他"),
            std::string(),
            encode("ｸﾞﾙｰﾌﾟ\t姓名\tフリガナ\t電話番号")};
}

void PhoneBookGenerator::AppendTelephone(std::string& line) {
    constexpr std::string_view kMobilePrefixes[] = {"90", "80", "70"};
    const std::size_t kind = Below(100);
    if (kind < 2)
        return; // no number
    const std::size_t start = line.size();
    std::size_t digits = 10;
    line += '0';
    if (kind < 5) {
        line += "120";
    } else if (kind < 50) {
        line += kMobilePrefixes[Below(std::size(kMobilePrefixes))];
        digits = 11;
    } else {
        line += kAreaCodes[Below(std::size(kAreaCodes))];
    }
    while (line.size() - start < digits)
        line += static_cast<char>('0' + Below(10));
    line += ":0:0";
}

std::string PhoneBookGenerator::NextEntryLine() {
    std::string line;
    line.reserve(64);
    const std::size_t group = Below(10) == 0 ? 10 + Below(11) : 1 + Below(9);
    line += static_cast<char>('0' + group / 10);
    line += static_cast<char>('0' + group % 10);
    line += '\t';
    if (Below(5) == 0) {
        const Word& place = Pick(places_);
        const Word& business = Pick(businesses_);
        line += place.text + business.text + '\t' + place.reading + business.reading;
    } else {
        const Word& surname = Pick(surnames_);
        const Word& given = Pick(givenNames_);
        line += surname.text + given.text + '\t' + surname.reading;
        if (Below(5) < 3)
            line += ' ';
        line += given.reading;
    }
    line += '\t';
    AppendTelephone(line);
    return line;
}

void PhoneBookGenerator::WriteFile(const std::string& path, std::size_t entries) {
    struct Closer {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    std::unique_ptr<std::FILE, Closer> file(std::fopen(path.c_str(), "wb"));
    if (!file)
        throw std::runtime_error("cannot create " + path);
    std::string buffer;
    buffer.reserve(1 << 20);
    auto flush = [&] {
        if (std::fwrite(buffer.data(), 1, buffer.size(), file.get()) != buffer.size())
            throw std::runtime_error("cannot write " + path);
        buffer.clear();
    };
    for (const std::string& header : HeaderLines(entries))
        buffer += header + "\r\n";
    for (std::size_t i = 0; i < entries; ++i) {
        buffer += NextEntryLine();
        buffer += "\r\n";
        if (buffer.size() > (1 << 20) - 256)
            flush();
    }
    flush();
    if (std::fclose(file.release()) != 0)
        throw std::runtime_error("cannot write " + path);
}

} // namespace ruvo
