// What the program does when C++ makes it end at once (std::terminate): end. The runtime's
// default handler would first print the exception's demangled name to a console the program has
// not got, and links the whole C++ demangler into the program for that; this one takes its place.
#include <cstdlib>

namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx
