// libpq's functions, bound to the library on first call (see LibPq.h).

#include "data/LibPq.h"

#include <dlfcn.h>
#include <libpq-fe.h>

#include <type_traits>

namespace {

void *library()
{
    // Loaded once and kept for the life of the process.
    static void *const handle = dlopen("libpq.so.5", RTLD_NOW | RTLD_LOCAL);
    return handle;
}

template <typename F> F bound(F, const char *name)
{
    void *handle = library();
    return handle ? reinterpret_cast<F>(dlsym(handle, name)) : nullptr;
}

// A connection that could not be made: what libpq itself answers for a null connection.
template <typename R> R missing()
{
    if constexpr (!std::is_void_v<R>)
        return R{};
}

template <> ConnStatusType missing<ConnStatusType>()
{
    return CONNECTION_BAD;
}

template <> ExecStatusType missing<ExecStatusType>()
{
    return PGRES_FATAL_ERROR;
}

} // namespace

bool libpq::available()
{
    return library() != nullptr;
}

// Each function looks itself up once; without the library it answers as libpq does for a null
// connection or result, so a caller that checked available() first never gets here.
#define TEXTBOOK_LIBPQ(ret, name, params, args)                                                                        \
    extern "C" ret name params                                                                                         \
    {                                                                                                                  \
        static const auto f = bound(&name, #name);                                                                     \
        if (!f)                                                                                                        \
            return missing<ret>();                                                                                     \
        return f args;                                                                                                 \
    }

TEXTBOOK_LIBPQ(PGconn *, PQconnectdb, (const char *conninfo), (conninfo))
TEXTBOOK_LIBPQ(ConnStatusType, PQstatus, (const PGconn *conn), (conn))
TEXTBOOK_LIBPQ(char *, PQerrorMessage, (const PGconn *conn), (conn))
TEXTBOOK_LIBPQ(void, PQfinish, (PGconn * conn), (conn))
TEXTBOOK_LIBPQ(void, PQreset, (PGconn * conn), (conn))
TEXTBOOK_LIBPQ(PQnoticeProcessor, PQsetNoticeProcessor, (PGconn * conn, PQnoticeProcessor proc, void *arg),
               (conn, proc, arg))
TEXTBOOK_LIBPQ(int, PQsetClientEncoding, (PGconn * conn, const char *encoding), (conn, encoding))
TEXTBOOK_LIBPQ(PQconninfoOption *, PQconninfoParse, (const char *conninfo, char **errmsg), (conninfo, errmsg))
TEXTBOOK_LIBPQ(void, PQconninfoFree, (PQconninfoOption * connOptions), (connOptions))
TEXTBOOK_LIBPQ(void, PQfreemem, (void *ptr), (ptr))
TEXTBOOK_LIBPQ(PGresult *, PQexec, (PGconn * conn, const char *query), (conn, query))
TEXTBOOK_LIBPQ(PGresult *, PQexecParams,
               (PGconn * conn, const char *command, int nParams, const Oid *paramTypes, const char *const *paramValues,
                const int *paramLengths, const int *paramFormats, int resultFormat),
               (conn, command, nParams, paramTypes, paramValues, paramLengths, paramFormats, resultFormat))
TEXTBOOK_LIBPQ(void, PQclear, (PGresult * res), (res))
TEXTBOOK_LIBPQ(ExecStatusType, PQresultStatus, (const PGresult *res), (res))
TEXTBOOK_LIBPQ(char *, PQresultErrorMessage, (const PGresult *res), (res))
TEXTBOOK_LIBPQ(char *, PQresultErrorField, (const PGresult *res, int fieldcode), (res, fieldcode))
TEXTBOOK_LIBPQ(char *, PQcmdTuples, (PGresult * res), (res))
TEXTBOOK_LIBPQ(int, PQntuples, (const PGresult *res), (res))
TEXTBOOK_LIBPQ(int, PQnfields, (const PGresult *res), (res))
TEXTBOOK_LIBPQ(Oid, PQftype, (const PGresult *res, int field_num), (res, field_num))
TEXTBOOK_LIBPQ(char *, PQgetvalue, (const PGresult *res, int tup_num, int field_num), (res, tup_num, field_num))
TEXTBOOK_LIBPQ(int, PQgetisnull, (const PGresult *res, int tup_num, int field_num), (res, tup_num, field_num))
TEXTBOOK_LIBPQ(int, PQgetlength, (const PGresult *res, int tup_num, int field_num), (res, tup_num, field_num))
TEXTBOOK_LIBPQ(unsigned char *, PQunescapeBytea, (const unsigned char *strtext, size_t *retbuflen),
               (strtext, retbuflen))
