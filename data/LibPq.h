#pragma once
// libpq is loaded when the program first talks to a server, not at start: a textbook on one PC
// never maps it nor the libraries it brings (TLS, Kerberos, LDAP), which cost about 5 MB of
// memory and part of the start-up. Code calls libpq's functions as declared in libpq-fe.h; the
// definitions in LibPq.cpp forward to the library once it is loaded.

namespace libpq {

// Loads the library on first use; false when it is not installed (the package libpq5).
bool available();

} // namespace libpq
