// Each library of the suite carries its own copy of the C++ run-time, which
// keeps a reserve of about 72 KB for exceptions thrown when memory runs out
// and never frees it. A library that is loaded and freed again and again
// (a play module at every switch) gives it back when it is freed.
#pragma once

namespace __gnu_cxx {
void __freeres();
}

namespace bimbly {

// Only from the library's DllMain at DLL_PROCESS_DETACH when it is freed
// (not at process end): nothing of the library may throw afterwards.
inline void GiveBackRuntimeReserve() noexcept { __gnu_cxx::__freeres(); }

}  // namespace bimbly
