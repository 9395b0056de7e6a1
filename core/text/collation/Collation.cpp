#include "core/text/collation/Collation.h"

#include "core/text/Cp932.h"

#include "core/text/collation/CollationTable.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

namespace ruvo {
namespace {

using collation::CharClass;
using Byte = unsigned char;

// Kana section values. The neutral ones (normal, plain, hiragana, full)
// weigh like an absent value and are dropped from the end of a section.
constexpr Byte kSmall = 0xC4, kNormal = 0xC6;
constexpr Byte kPlain = 0x03, kIterated = 0x04, kProlonged = 0x05;
constexpr Byte kKatakana = 0xC4, kHiragana = 0xE4;
constexpr Byte kHalf = 0xC4, kFull = 0xC5;

// Bits of Weight::marks: which sections get a value that is not neutral.
constexpr Byte kMarkSmall = 1, kMarkKatakana = 2, kMarkHalf = 4, kMarkCase = 8, kMarkIterated = 16;

// The weights of one code, laid out for the key builder.
struct Weight {
    Byte script = 0;  // for a kana: 22
    Byte primary = 0; // for an expansion: its index in Tables::expansions
    Byte diacritic = 0;
    Byte caseWeight = 0; // for a kana: 02; for a voiced mark: 0
    Byte k1 = kNormal, k3 = kHiragana, k4 = kFull;
    CharClass cls = CharClass::Base;
    Byte marks = 0; // kMark* bits
};

Weight WeightOf(const collation::CollationRow& row) {
    Weight w;
    w.cls = row.cls;
    w.script = row.script;
    w.primary = row.primary;
    w.diacritic = row.diacritic;
    w.caseWeight = row.caseWeight;
    if (row.cls == CharClass::VoiceMark) {
        w.caseWeight = 0;
    }
    if (row.cls == CharClass::Kana || row.cls == CharClass::Prolong ||
        row.cls == CharClass::Iteration) {
        w.k1 = (row.kana & collation::kKanaSmall) ? kSmall : kNormal;
        w.k3 = (row.kana & collation::kKanaHiragana) ? kHiragana : kKatakana;
        w.k4 = (row.kana & collation::kKanaFull) ? kFull : kHalf;
    }
    if (row.cls == CharClass::Kana) {
        w.script = 0x22;
        w.caseWeight = 0x02;
        w.marks = (w.k1 != kNormal ? kMarkSmall : 0) | (w.k3 != kHiragana ? kMarkKatakana : 0) |
                  (w.k4 != kFull ? kMarkHalf : 0);
    } else if (w.caseWeight > 0x02 && (row.cls == CharClass::Base || row.cls == CharClass::Pua)) {
        w.marks = kMarkCase;
    }
    return w;
}

constexpr std::uint16_t kMiddleDotCode = 0x8145; // what undecodable codes become

// Direct lookup: one entry per single-byte code and per lead*256+trail.
struct Tables {
    std::array<Weight, 256> single;
    std::array<Weight, 65536> twoByte;
    std::vector<std::array<Weight, 2>> expansions;
    Weight middleDot;

    Tables() {
        for (std::size_t i = 0; i < collation::kCollationRowCount; ++i) {
            if (collation::kCollationRows[i].code == kMiddleDotCode) {
                middleDot = WeightOf(collation::kCollationRows[i]);
            }
        }
        single.fill(middleDot);
        twoByte.fill(middleDot);
        for (std::size_t i = 0; i < collation::kCollationRowCount; ++i) {
            const collation::CollationRow& row = collation::kCollationRows[i];
            if (row.code == 0) {
                continue;
            }
            Weight w = WeightOf(row);
            if (row.cls == CharClass::Expansion) {
                w.primary = static_cast<Byte>(expansions.size());
                expansions.push_back({UnitWeight(row.expansion[0]), UnitWeight(row.expansion[1])});
            }
            (row.code < 0x100 ? single[row.code] : twoByte[row.code]) = w;
        }
    }

    // Expansion units are all ordinary characters, looked up by their UTF-16 unit.
    Weight UnitWeight(std::uint16_t unicode) const {
        for (std::size_t i = 0; i < collation::kCollationRowCount; ++i) {
            if (collation::kCollationRows[i].unicode == unicode) {
                return WeightOf(collation::kCollationRows[i]);
            }
        }
        return middleDot;
    }
};

const Tables& TheTables() {
    static const Tables t;
    return t;
}

// Length of a list without its trailing values in [low, high].
inline std::size_t Trimmed(const Byte* list, std::size_t n, Byte low, Byte high) {
    while (n > 0 && list[n - 1] >= low && list[n - 1] <= high) {
        --n;
    }
    return n;
}

// Section buffers hold at most this much per input byte: 3 primary bytes,
// one diacritic and case value, 4 kana values, 4 word-sort bytes.
constexpr std::size_t kBytesPerInput = 13;
constexpr std::size_t kStackInput = 96;
// Short sections are copied as one block of this size, read and written past
// their end; both buffers leave room for it.
constexpr std::size_t kBlock = 32;

} // namespace

static_assert(CollationKeyRoom(1) == kBytesPerInput + 9 + kBlock);

std::string CollationKey(std::string_view text) {
    std::string key(CollationKeyRoom(text.size()), '\0');
    key.resize(WriteCollationKey(text, reinterpret_cast<Byte*>(key.data())));
    return key;
}

std::size_t WriteCollationKey(std::string_view text, Byte* const keyBuffer) {
    const Tables& t = TheTables();
    const auto* s = reinterpret_cast<const Byte*>(text.data());
    std::size_t n = text.size();
    if (n == 0) {
        s = reinterpret_cast<const Byte*>(""); // an empty view may have no data at all
    } else if (const void* nul = std::memchr(s, 0, n)) {
        n = static_cast<std::size_t>(static_cast<const Byte*>(nul) - s);
    }

    // The sections are built in one buffer, then assembled into the key,
    // which has at most kBytesPerInput * n + 9 bytes.
    Byte stackBuffer[kBytesPerInput * kStackInput + kBlock];
    std::unique_ptr<Byte[]> heapBuffer;
    Byte* buffer = stackBuffer;
    if (n > kStackInput) {
        heapBuffer = std::make_unique_for_overwrite<Byte[]>(kBytesPerInput * n + kBlock);
        buffer = heapBuffer.get();
    }
    // Each section has a pointer to its end. The kana sections lie n bytes
    // apart and share one, in the order K1, K3, K4, K2. The loop keeps few
    // values live so that they stay in registers.
    Byte* const p = buffer;
    Byte* const d = p + 3 * n;
    Byte* const c = d + n;
    Byte* const k = c + n;
    Byte* const k2 = k + 3 * n;
    Byte* const w = k + 4 * n;
    Byte *pe = p, *de = d, *ce = c, *ke = k, *we = w;
    // End of D without its trailing values of 02 or less, kept as D grows.
    Byte* dTop = d;
    // Which sections have a value that is not neutral; only those need trimming.
    Byte marks = 0;

    auto appendD = [&](Byte v) {
        *de++ = v;
        dTop = v > 0x02 ? de : dTop;
    };
    auto base = [&](const Weight& x, Byte caseWeight) {
        *pe++ = x.script;
        *pe++ = x.primary;
        appendD(x.diacritic);
        *ce++ = caseWeight;
        marks |= caseWeight > 0x02 ? kMarkCase : 0;
    };
    auto pua = [&](const Weight& x, Byte caseWeight) {
        *pe++ = x.script;
        *pe++ = x.primary;
        *pe++ = x.diacritic;
        *ce++ = caseWeight;
        marks |= caseWeight > 0x02 ? kMarkCase : 0;
    };
    auto kana = [&](Byte primary, Byte diacritic, Byte mark, Byte k1, Byte k3, Byte k4) {
        *pe++ = 0x22;
        *pe++ = primary;
        appendD(diacritic);
        *ce++ = 0x02;
        ke[0] = k1;
        ke[n] = k3;
        ke[2 * n] = k4;
        ke[3 * n] = mark;
        ++ke;
        marks |= (k1 != kNormal ? kMarkSmall : 0) | (k3 != kHiragana ? kMarkKatakana : 0) |
                 (k4 != kFull ? kMarkHalf : 0) | (mark != kPlain ? kMarkIterated : 0);
    };

    const Weight* anchor = nullptr; // the last character that is not a mark
    for (const Byte* in = s; in < s + n;) {
        const unsigned b = *in;
        const Weight* x;
        if (!cp932::IsLeadByte(b)) {
            x = &t.single[b];
            in += 1;
        } else if (in + 1 < s + n) {
            x = &t.twoByte[b << 8 | in[1]];
            in += 2;
        } else {
            x = &t.middleDot;
            in += 1;
        }

        if (x->cls <= CharClass::VoiceMark) {
            // Base, kana and voiced marks, nearly all of a reading, share one
            // short path. Values written past an end are overwritten later.
            const bool voice = x->cls == CharClass::VoiceMark;
            pe[0] = x->script;
            pe[1] = x->primary;
            pe += voice ? 0 : 2;
            // A voiced mark adds to the last diacritic value, or starts D.
            const bool modify = voice && de != d;
            de -= modify;
            const Byte dv = static_cast<Byte>((modify ? *de : 0) + x->diacritic);
            *de++ = dv;
            dTop = dv > 0x02 ? de : dTop;
            if (modify && dv <= 0x02) [[unlikely]] {
                dTop = d + Trimmed(d, static_cast<std::size_t>(de - d), 0x00, 0x02); // wrapped
            }
            *ce = x->caseWeight;
            ce += !voice;
            ke[0] = x->k1;
            ke[n] = x->k3;
            ke[2 * n] = x->k4;
            ke[3 * n] = kPlain;
            ke += x->cls == CharClass::Kana;
            marks |= x->marks;
            anchor = voice ? anchor : x;
            continue;
        }

        switch (x->cls) {
        case CharClass::Base:
        case CharClass::Kana:
        case CharClass::VoiceMark:
            break;
        case CharClass::Pua:
            pua(*x, x->caseWeight);
            anchor = x;
            break;
        case CharClass::WordSort: {
            // Its position counts down from FFFF with the characters before it.
            const auto chars = static_cast<std::size_t>(pe - p) / 2;
            const unsigned v = chars < 0xFFFF ? 0xFFFF - static_cast<unsigned>(chars) : 0;
            *we++ = static_cast<Byte>(v >> 8);
            *we++ = static_cast<Byte>(v);
            *we++ = x->primary;
            *we++ = static_cast<Byte>(x->caseWeight + 8 * x->diacritic);
            anchor = x;
            break;
        }
        case CharClass::Expansion:
            for (const Weight& unit : t.expansions[x->primary]) {
                base(unit, unit.caseWeight);
            }
            anchor = x;
            break;
        case CharClass::Prolong:
        case CharClass::Iteration:
            // A long vowel or iteration mark takes its weights from its anchor.
            if (anchor == nullptr || anchor->cls == CharClass::Expansion) {
                *pe++ = 0xFF;
                *pe++ = 0xFF;
            } else if (anchor->cls == CharClass::Kana) {
                if (x->cls == CharClass::Prolong) {
                    kana(anchor->primary & 0x87, x->diacritic, kProlonged, anchor->k1, anchor->k3,
                         x->k4);
                } else {
                    kana(anchor->primary, x->diacritic, kIterated, anchor->k1, anchor->k3,
                         anchor->k4);
                }
            } else if (anchor->cls == CharClass::Pua) {
                pua(*anchor, 0x02);
            } else { // base or word sort
                base(*anchor, 0x02);
            }
            break;
        }
    }

    // Trailing values that weigh like absent ones are left out: in D and C
    // those of 02 or less, in each kana section its neutral value.
    const auto np = static_cast<std::size_t>(pe - p);
    const auto nd = static_cast<std::size_t>(dTop - d);
    const std::size_t nc =
        (marks & kMarkCase) ? Trimmed(c, static_cast<std::size_t>(ce - c), 0x00, 0x02) : 0;
    const auto nw = static_cast<std::size_t>(we - w);
    const auto nk = static_cast<std::size_t>(ke - k);
    const bool hasKana = nk > 0;
    struct KanaSection {
        const Byte* values;
        std::size_t length;
        Byte terminator;
    };
    const KanaSection kanaSections[4] = {
        {k, (marks & kMarkSmall) ? Trimmed(k, nk, kNormal, kNormal) : 0, 0xFF},
        {k2, (marks & kMarkIterated) ? Trimmed(k2, nk, kPlain, kPlain) : 0, 0x02},
        {k + n, (marks & kMarkKatakana) ? Trimmed(k + n, nk, kHiragana, kHiragana) : 0, 0xFF},
        {k + 2 * n, (marks & kMarkHalf) ? Trimmed(k + 2 * n, nk, kFull, kFull) : 0, 0xFF},
    };

    std::size_t total = np + 1 + nd + 1 + nc + 1 + 1 + nw + 1;
    if (hasKana) {
        for (const KanaSection& section : kanaSections) {
            total += section.length + 1;
        }
    }
    Byte* out = keyBuffer;
    auto put = [&out](const Byte* section, std::size_t count, Byte terminator) {
        if (count <= kBlock) {
            std::memcpy(out, section, kBlock); // no branches on the length
        } else {
            std::memcpy(out, section, count);
        }
        out += count;
        *out++ = terminator;
    };
    put(p, np, 0x01);
    put(d, nd, 0x01);
    put(c, nc, 0x01);
    if (hasKana) {
        for (const KanaSection& section : kanaSections) {
            put(section.values, section.length, section.terminator);
        }
    }
    *out++ = 0x01;
    put(w, nw, 0x00);
    return total;
}

int CompareCollated(std::string_view a, std::string_view b) {
    return CollationKey(a).compare(CollationKey(b));
}

} // namespace ruvo
