// The Snowball stemmer's functions, bound to libstemmer on first call. Search is opened by few
// readers in a run, so the library (about 0.7 MB resident once mapped) is loaded only then.

#include <dlfcn.h>
#include <libstemmer.h>

namespace {

template <typename F> F bound(F, const char *name)
{
    // Loaded once and kept for the life of the process.
    static void *const handle = dlopen("libstemmer.so.0d", RTLD_NOW | RTLD_LOCAL);
    return handle ? reinterpret_cast<F>(dlsym(handle, name)) : nullptr;
}

} // namespace

// Without the library a stemmer cannot be made (null, as for an unknown language), and the other
// functions are never reached: they take the stemmer that sb_stemmer_new returned.
extern "C" sb_stemmer *sb_stemmer_new(const char *algorithm, const char *charenc)
{
    static const auto f = bound(&sb_stemmer_new, "sb_stemmer_new");
    return f ? f(algorithm, charenc) : nullptr;
}

extern "C" void sb_stemmer_delete(sb_stemmer *stemmer)
{
    static const auto f = bound(&sb_stemmer_delete, "sb_stemmer_delete");
    if (f && stemmer)
        f(stemmer);
}

extern "C" const sb_symbol *sb_stemmer_stem(sb_stemmer *stemmer, const sb_symbol *word, int size)
{
    static const auto f = bound(&sb_stemmer_stem, "sb_stemmer_stem");
    return f(stemmer, word, size);
}

extern "C" int sb_stemmer_length(sb_stemmer *stemmer)
{
    static const auto f = bound(&sb_stemmer_length, "sb_stemmer_length");
    return f(stemmer);
}
