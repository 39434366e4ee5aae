#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

struct sb_stemmer;

namespace search {

// One word of a text: its folded form (lower case, ё as е, stress marks and soft hyphens
// dropped) and where it lies in the UTF-8 text, in bytes.
struct Word
{
    std::string_view folded;
    int start;
    int end;
};

// Calls fn for every word of a UTF-8 text: a run of letters and digits. Anything else (spaces,
// punctuation, hyphens, apostrophes) separates words. Invalid UTF-8 separates words too.
void forEachWord(std::string_view utf8, const std::function<void(const Word &)> &fn);

// The index terms of a folded word. Russian words are stemmed by the Snowball Russian stemmer,
// Latin ones by the English stemmer; numbers stay as they are. Not thread-safe: one per thread.
class Stemmer
{
public:
    Stemmer();
    ~Stemmer();
    Stemmer(const Stemmer &) = delete;
    Stemmer &operator=(const Stemmer &) = delete;

    // The word's stem. The stemmer keeps the vowel that comes and goes in a noun's genitive
    // plural ("оценок" against "оценка" -> "оценк"); for such a stem, alternate is the stem
    // without it, else empty. The index holds both, so either form finds the other.
    void stem(std::string_view folded, std::string &stem, std::string &alternate);

private:
    sb_stemmer *m_russian;
    sb_stemmer *m_english;
};

// Stems of a fixed list of words, joined: differs when an upgraded stemmer would put other terms
// into the index than the ones it holds.
std::string stemmerFingerprint();

} // namespace search
