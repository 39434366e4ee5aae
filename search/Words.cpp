#include "search/Words.h"

#include <QChar>

#include <libstemmer.h>

#include <new>

namespace search {

namespace {

constexpr char32_t invalid = 0xFFFFFFFF;

// The code point at pos and its length in bytes; invalid for a malformed sequence (length 1).
char32_t decode(std::string_view s, size_t pos, int &length)
{
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char lead = byte(pos);
    length = 1;
    if (lead < 0x80)
        return lead;
    int more = 0;
    char32_t c = 0;
    if ((lead & 0xE0) == 0xC0) {
        more = 1;
        c = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        more = 2;
        c = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        more = 3;
        c = lead & 0x07;
    } else {
        return invalid;
    }
    if (pos + more >= s.size())
        return invalid;
    for (int i = 1; i <= more; ++i) {
        const unsigned char next = byte(pos + i);
        if ((next & 0xC0) != 0x80)
            return invalid;
        c = (c << 6) | (next & 0x3F);
    }
    // Overlong forms and surrogates are not text.
    static constexpr char32_t least[] = {0, 0x80, 0x800, 0x10000};
    if (c < least[more] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        return invalid;
    length = more + 1;
    return c;
}

void append(std::string &out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

bool isMark(char32_t c)
{
    const QChar::Category category = QChar::category(c);
    return category == QChar::Mark_NonSpacing || category == QChar::Mark_SpacingCombining ||
           category == QChar::Mark_Enclosing;
}

constexpr char32_t softHyphen = 0x00AD;
constexpr char32_t yo = 0x0451;
constexpr char32_t ye = 0x0435;

enum class Script
{
    None,
    Cyrillic,
    Latin
};

Script scriptOf(std::string_view folded)
{
    Script found = Script::None;
    for (size_t pos = 0; pos < folded.size();) {
        int length = 1;
        const char32_t c = decode(folded, pos, length);
        pos += length;
        const QChar::Script script = QChar::script(c);
        if (script == QChar::Script_Cyrillic)
            return Script::Cyrillic;
        if (script == QChar::Script_Latin)
            found = Script::Latin;
    }
    return found;
}

bool isRussianConsonant(char32_t c)
{
    if (c < 0x0430 || c > 0x044F)
        return false;
    for (const char32_t notOne : U"аеиоуыэюяйьъ")
        if (c == notOne)
            return false;
    return true;
}

// The stem without the vowel that comes and goes: "оценок" -> "оценк", "образец" -> "образц".
std::string withoutFleetingVowel(std::string_view stem)
{
    std::u32string chars;
    for (size_t pos = 0; pos < stem.size();) {
        int length = 1;
        chars += decode(stem, pos, length);
        pos += length;
    }
    const size_t n = chars.size();
    if (n < 4 || !isRussianConsonant(chars[n - 3]))
        return {};
    const char32_t vowel = chars[n - 2];
    const char32_t last = chars[n - 1];
    const bool fleeting = (last == U'к' && (vowel == U'о' || vowel == U'е')) || (last == U'ц' && vowel == U'е');
    if (!fleeting)
        return {};
    std::string out;
    for (size_t i = 0; i < n; ++i)
        if (i != n - 2)
            append(out, chars[i]);
    return out;
}

// Stemming words longer than this says nothing useful; they are kept whole.
constexpr size_t longestStemmed = 100;

// Letters and digits folded to lower case, ё to е; 0 for anything else. ASCII and the Russian
// alphabet, nearly all of a course, are told without the Unicode tables.
char32_t foldedLetter(char32_t c)
{
    if (c < 0x80) {
        if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))
            return c;
        return c >= 'A' && c <= 'Z' ? c + 32 : 0;
    }
    if (c >= 0x0430 && c <= 0x044F)
        return c;
    if (c >= 0x0410 && c <= 0x042F)
        return c + 32;
    if (c == yo || c == 0x0401)
        return ye;
    if (c == invalid || !QChar::isLetterOrNumber(c))
        return 0;
    const char32_t lower = QChar::toLower(c);
    return lower == yo ? ye : lower;
}

} // namespace

void forEachWord(std::string_view utf8, const std::function<void(const Word &)> &fn)
{
    std::string folded;
    int start = -1;
    int end = 0;
    const auto finish = [&] {
        if (start >= 0 && !folded.empty())
            fn(Word{folded, start, end});
        folded.clear();
        start = -1;
    };
    for (size_t pos = 0; pos < utf8.size();) {
        int length = 1;
        const char32_t c = decode(utf8, pos, length);
        const int here = static_cast<int>(pos);
        pos += length;
        if (const char32_t letter = foldedLetter(c)) {
            if (start < 0)
                start = here;
            append(folded, letter);
            end = static_cast<int>(pos);
            continue;
        }
        // Stress marks and soft hyphens inside a word belong to it.
        if (c != invalid && start >= 0 && (c == softHyphen || isMark(c))) {
            end = static_cast<int>(pos);
            continue;
        }
        finish();
    }
    finish();
}

Stemmer::Stemmer() : m_russian(sb_stemmer_new("russian", nullptr)), m_english(sb_stemmer_new("english", nullptr))
{
    if (!m_russian || !m_english) {
        sb_stemmer_delete(m_russian);
        sb_stemmer_delete(m_english);
        throw std::bad_alloc();
    }
}

Stemmer::~Stemmer()
{
    sb_stemmer_delete(m_russian);
    sb_stemmer_delete(m_english);
}

void Stemmer::stem(std::string_view folded, std::string &stem, std::string &alternate)
{
    alternate.clear();
    const Script script = folded.size() > longestStemmed ? Script::None : scriptOf(folded);
    if (script == Script::None) {
        stem.assign(folded);
        return;
    }
    sb_stemmer *stemmer = script == Script::Cyrillic ? m_russian : m_english;
    const sb_symbol *result =
        sb_stemmer_stem(stemmer, reinterpret_cast<const sb_symbol *>(folded.data()), static_cast<int>(folded.size()));
    if (!result)
        throw std::bad_alloc();
    stem.assign(reinterpret_cast<const char *>(result), static_cast<size_t>(sb_stemmer_length(stemmer)));
    if (script == Script::Cyrillic)
        alternate = withoutFleetingVowel(stem);
}

std::string stemmerFingerprint()
{
    Stemmer stemmer;
    std::string joined = "1";
    std::string stem;
    std::string alternate;
    for (const char *word : {"оценка", "оценок", "оцениванием", "учащимися", "преподавательская", "ведет",
                             "самостоятельности", "studying", "assessments", "generously"}) {
        stemmer.stem(word, stem, alternate);
        joined += ' ' + stem + '/' + alternate;
    }
    return joined;
}

} // namespace search
